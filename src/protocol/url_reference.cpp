#include "protocol/url_reference.h"

namespace kivo::protocol {
namespace {

struct UrlParts {
  bool has_scheme = false;
  bool has_authority = false;
  bool has_query = false;
  bool has_fragment = false;
  std::string scheme;
  std::string authority;
  std::string path;
  std::string query;
  std::string fragment;
};

bool IsAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsSchemeChar(char c) {
  return IsAlpha(c) || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
}

UrlParts Split(const std::string& s) {
  UrlParts parts;
  std::size_t i = 0;
  if (!s.empty() && IsAlpha(s[0])) {
    std::size_t j = 1;
    while (j < s.size() && IsSchemeChar(s[j])) ++j;
    if (j < s.size() && s[j] == ':') {
      parts.has_scheme = true;
      parts.scheme = s.substr(0, j);
      i = j + 1;
    }
  }
  if (s.compare(i, 2, "//") == 0) {
    parts.has_authority = true;
    const std::size_t end = s.find_first_of("/?#", i + 2);
    parts.authority = s.substr(i + 2, end == std::string::npos ? std::string::npos : end - i - 2);
    i = end == std::string::npos ? s.size() : end;
  }
  std::size_t end = s.find_first_of("?#", i);
  if (end == std::string::npos) end = s.size();
  parts.path = s.substr(i, end - i);
  i = end;
  if (i < s.size() && s[i] == '?') {
    parts.has_query = true;
    end = s.find('#', i);
    if (end == std::string::npos) end = s.size();
    parts.query = s.substr(i + 1, end - i - 1);
    i = end;
  }
  if (i < s.size() && s[i] == '#') {
    parts.has_fragment = true;
    parts.fragment = s.substr(i + 1);
  }
  return parts;
}

// RFC 3986 5.2.4.
std::string RemoveDotSegments(std::string in) {
  std::string out;
  while (!in.empty()) {
    if (in.compare(0, 3, "../") == 0) {
      in.erase(0, 3);
    } else if (in.compare(0, 2, "./") == 0) {
      in.erase(0, 2);
    } else if (in.compare(0, 3, "/./") == 0) {
      in.erase(0, 2);
    } else if (in == "/.") {
      in = "/";
    } else if (in.compare(0, 4, "/../") == 0 || in == "/..") {
      in = in.size() == 3 ? "/" : in.substr(3);
      const std::size_t last = out.rfind('/');
      out.erase(last == std::string::npos ? 0 : last);
    } else if (in == "." || in == "..") {
      in.clear();
    } else {
      const std::size_t next = in.find('/', in[0] == '/' ? 1 : 0);
      out += in.substr(0, next);
      in.erase(0, next == std::string::npos ? in.size() : next);
    }
  }
  return out;
}

std::string Merge(const UrlParts& base, const std::string& path) {
  if (base.has_authority && base.path.empty()) return "/" + path;
  const std::size_t slash = base.path.rfind('/');
  return (slash == std::string::npos ? std::string() : base.path.substr(0, slash + 1)) + path;
}

}  // namespace

std::string ResolveUrlReference(const std::string& base_text, const std::string& reference) {
  const UrlParts base = Split(base_text);
  const UrlParts ref = Split(reference);
  UrlParts target;
  if (ref.has_scheme) {
    target = ref;
    target.path = RemoveDotSegments(ref.path);
  } else {
    target.has_scheme = base.has_scheme;
    target.scheme = base.scheme;
    if (ref.has_authority) {
      target.has_authority = true;
      target.authority = ref.authority;
      target.path = RemoveDotSegments(ref.path);
      target.has_query = ref.has_query;
      target.query = ref.query;
    } else {
      target.has_authority = base.has_authority;
      target.authority = base.authority;
      if (ref.path.empty()) {
        target.path = base.path;
        target.has_query = ref.has_query || base.has_query;
        target.query = ref.has_query ? ref.query : base.query;
      } else {
        target.path = RemoveDotSegments(ref.path[0] == '/' ? ref.path : Merge(base, ref.path));
        target.has_query = ref.has_query;
        target.query = ref.query;
      }
    }
    target.has_fragment = ref.has_fragment;
    target.fragment = ref.fragment;
  }
  if (!target.has_fragment && base.has_fragment) {
    target.has_fragment = true;
    target.fragment = base.fragment;
  }

  std::string out;
  if (target.has_scheme) out += target.scheme + ":";
  if (target.has_authority) out += "//" + target.authority;
  out += target.path;
  if (target.has_query) out += "?" + target.query;
  if (target.has_fragment) out += "#" + target.fragment;
  return out;
}

std::string StripUrlFragment(const std::string& address) {
  return address.substr(0, address.find('#'));
}

}  // namespace kivo::protocol
