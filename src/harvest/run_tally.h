// The counts of one run: what its summary line says, and what tells that a
// run which found nothing must say why.
#pragma once

#include <string>
#include <vector>

namespace kivo {

struct TRunTally {
  // For the summary line.
  int TitlesAdded = 0;
  // Page fetches, listing and detail, that did not bring the page.
  int PageFailures = 0;
  int DaysWalked = 0;
  // Listing pages that came, and listing fetches that failed for another
  // reason than a stop: a run in which none came says so.
  int ListingPagesFetched = 0;
  int ListingFailures = 0;
  // For telling that the shop's pages have changed beyond recognition.
  int ListingsAnalysed = 0;
  int ListingsWithList = 0;
  int DetailsAnalysed = 0;
  int DetailsWithValues = 0;
  // Links in the lists that are the shop's detail pages, and links that
  // name the detail page but cannot be used.
  int UsableLinks = 0;
  int UnusableDetailLinks = 0;

  // "結果: 追加 N件、取得失敗 M件、日数 D": the run's last log line.
  std::string SummaryLine() const;
  // The errors a run must show at its end, in order: no listing page came
  // at all (unless `said_already`: the run ended for a reason it has shown),
  // the shop's pages no longer hold what the plugin looks for.
  std::vector<std::string> Warnings(bool said_already) const;
};

}  // namespace kivo
