// TFormPlacement: remembers where a window was and how it was shown, in one
// section of an ini file, and puts it back. The owner sets IniFileName and
// Active, calls LoadPlacement once the window exists, and routes the
// window's show, close-query and destroy events through the hooks below.
//
// Every value is read and written one key at a time through the platform's
// ini calls; nothing is cached, so the file is as the last call left it.
#pragma once

#include <functional>
#include <string>

#include "placement/placement_window.h"

namespace kivo::placement {

class TFormPlacement {
 public:
  using ErrorHandler = std::function<void(const std::string& message)>;

  // While false, the hooks do nothing (LoadPlacement and StorePlacement
  // still work when called directly).
  bool Active = false;
  // The design-time name, replaced by the owner before any use.
  std::string IniFileName = "..\\qlc.ini";
  // Empty: the window's class name.
  std::string IniSection;
  // A restore runs only when the stored "FormVersion" is at least this.
  int Version = 0;
  // What is saved and restored.
  bool StoreState = true;     // fpState
  bool StorePosition = true;  // fpPosition

  // The window served; nullptr (no window) makes every call do nothing.
  void SetWindow(PlacementWindow* window) { window_ = window; }

  // Reads the section and applies it to the window; sets the restored flag.
  // Never throws: reads cannot fail, missing values keep the window as is.
  void LoadPlacement();
  // Writes the nine keys. Nothing is written before a restore has run.
  // Throws std::runtime_error("<file> に書き込めません") when a write is
  // refused; the keys after it are then not written.
  void StorePlacement();

  // Hooks. Errors go to `report`; the window's own handlers are the
  // caller's to run (show and destroy: after these; close query: before).
  void FormShow(const ErrorHandler& report);
  // `can_close`: what the window's own close-query handler decided.
  void FormCloseQuery(bool can_close, const ErrorHandler& report);
  void FormDestroy(const ErrorHandler& report);

  bool Saved() const { return saved_; }
  bool Restored() const { return restored_; }

 private:
  std::string Section();
  std::string Read(const std::string& key);
  int ReadInteger(const std::string& key, int fallback);
  // The suffixed key when it holds a value, else the plain one.
  std::string ReadScreenKey(const std::string& key);
  void Write(const std::string& key, const std::string& value);
  void ApplyPosition(WindowPlacement& placement);
  // True when the window was left to the application's minimise.
  bool ApplyState();
  void AdjustMaximizedPosition();

  PlacementWindow* window_ = nullptr;
  bool saved_ = false;
  bool restored_ = false;
  bool destroying_ = false;
};

}  // namespace kivo::placement
