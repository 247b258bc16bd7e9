// The errors that end a harvest run and reach the window's handler.
#pragma once

#include <stdexcept>

namespace kivo {

// An error that ends the run and reaches the window's handler once the
// history is saved.
class TRunError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
// The history file cannot take an entry.
class THistoryWriteError : public TRunError {
 public:
  using TRunError::TRunError;
};
// The catalogue exists but cannot be read, so the run cannot tell which
// titles an earlier run wrote without recording them.
class TCatalogueReadError : public TRunError {
 public:
  using TRunError::TRunError;
};

}  // namespace kivo
