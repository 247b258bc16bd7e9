#include "harvest/run_tally.h"

#include "harvest/harvest_texts.h"

namespace kivo {

std::string TRunTally::SummaryLine() const {
  return texts::kResultAdded + std::to_string(TitlesAdded) + texts::kResultFailed +
         std::to_string(PageFailures) + texts::kResultDays + std::to_string(DaysWalked);
}

std::vector<std::string> TRunTally::Warnings(bool said_already) const {
  std::vector<std::string> warnings;
  // A run that could fetch no listing page at all found nothing for a
  // reason the user must hear of.
  if (ListingPagesFetched == 0 && ListingFailures > 0 && !said_already) {
    warnings.push_back(texts::kNoListingPage);
  }
  // Pages that come and go but never hold what the plugin looks for: the
  // shop has most likely changed them, and the plugin would find nothing
  // at all without a word.
  if ((ListingsAnalysed > 0 && ListingsWithList == 0) ||
      (UsableLinks == 0 && UnusableDetailLinks > 0) ||
      (DetailsAnalysed > 0 && DetailsWithValues == 0)) {
    warnings.push_back(texts::kPagesChanged);
  }
  return warnings;
}

}  // namespace kivo
