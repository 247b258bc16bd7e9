#include "harvest/known_titles.h"

#include "harvest/canonical_link.h"
#include "harvest/catalogue.h"
#include "harvest/commit.h"
#include "harvest/run_errors.h"
#include "platform/file_messages.h"
#include "settings/settings.h"

namespace kivo {

void TKnownTitles::Load() {
  catalogue_links_.clear();
  kept_.clear();
  const std::string catalogue = HostFile(state_.FHostDir, kCatalogueFileName);
  if (!ReadCatalogueLinks(catalogue, catalogue_links_)) {
    throw TCatalogueReadError(catalogue + messages::kCannotRead);
  }
  unread_pages_.Load(HostFile(state_.FHostDir, kUnreadPagesFileName));
}

bool TKnownTitles::Known(const std::string& link, const std::string& canonical, double now) {
  if (state_.FHistory.HasPage(canonical) || kept_.count(canonical) != 0) return true;
  if (catalogue_links_.count(canonical) == 0) return false;
  // Written before, but the history lost it: the entry is put back, so the
  // history stays the fast answer for the runs to come.
  Record(link, now);
  return true;
}

bool TKnownTitles::IsKnown(const std::string& canonical) const {
  return state_.FHistory.HasPage(canonical) || kept_.count(canonical) != 0 ||
         catalogue_links_.count(canonical) != 0;
}

void TKnownTitles::Record(const std::string& link, double now) {
  CommitHistory(state_, now, {link});
}

void TKnownTitles::KeepForNextRun(const std::string& link) { kept_.insert(CanonicalLink(link)); }

bool TKnownTitles::KeptForNextRun(const std::string& link) const {
  return kept_.count(CanonicalLink(link)) != 0;
}

bool TKnownTitles::FoundEmpty(const std::string& link, double now) {
  if (unread_pages_.RunsFoundEmpty(link, true) < kEmptyPageRuns) {
    unread_pages_.Note(now, link);
    KeepForNextRun(link);
    return false;
  }
  // Found so by run after run: the shop's word that the item is gone, not a
  // maintenance page. Asked for again, it would keep its day from ever
  // being archived.
  Record(link, now);
  return true;
}

void TKnownTitles::Save(double now) { unread_pages_.Save(now); }

}  // namespace kivo
