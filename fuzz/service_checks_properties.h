// Both net start checks. Input: the name, a NUL byte, the listing (a listing never holds a NUL:
// the runner cuts its chunks there).
// Properties, for the instance check (each line judged alone, blanks and line ends trimmed):
// - true only when the name occurs in the listing; never for the empty name;
// - adding lines after a CR LF never turns true into false;
// - a line of the name's own, indented, makes it true (names without line ends or outer blanks);
// for the text check (an occurrence followed by CR or the end of the listing):
// - true only when the text occurs; never for the empty text;
// - adding lines after a CR LF never turns true into false;
// - the text followed by CR anywhere makes it true.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "inspect/service_checks.h"

namespace quillset::fuzz::service_checks {

using quillset::ListingShowsInstanceService;
using quillset::ListingShowsService;

inline void CheckInstanceCheck(const std::string& listing, const std::string& name) {
  const bool shown = ListingShowsInstanceService(listing, name);
  if (shown) {
    FUZZ_REQUIRE(!name.empty() && listing.find(name) != std::string::npos,
                 "shown only when the name occurs");
    FUZZ_REQUIRE(ListingShowsInstanceService(listing + "\r\n   Ereignisprotokoll\r\n", name),
                 "further lines do not hide a shown service");
    FUZZ_REQUIRE(ListingShowsInstanceService(listing + "\r\n", name),
                 "a line end after the last line does not hide it");
  }
  const bool plain_name = !name.empty() && name.find_first_of("\r\n") == std::string::npos &&
                          name.front() != ' ' && name.back() != ' ';
  if (plain_name) {
    FUZZ_REQUIRE(ListingShowsInstanceService(listing + "\r\n   MSSQL$" + name + "\r\n", name),
                 "the instance's own line is found");
    FUZZ_REQUIRE(ListingShowsInstanceService("    " + name + "\r\n" + listing, name),
                 "the first line is judged like any other");
  }
}

inline void CheckTextCheck(const std::string& listing, const std::string& text) {
  const bool shown = ListingShowsService(listing, text);
  if (shown) {
    FUZZ_REQUIRE(!text.empty() && listing.find(text) != std::string::npos,
                 "shown only when the text occurs");
    FUZZ_REQUIRE(ListingShowsService(listing + "\r\n   Arbeitsstationsdienst\r\n", text),
                 "further lines do not hide a shown service");
  }
  if (!text.empty()) {
    FUZZ_REQUIRE(ListingShowsService(listing + text + "\r\n", text),
                 "the text at the end of a line is found");
    FUZZ_REQUIRE(ListingShowsService(listing + text, text),
                 "the text at the end of the listing is found");
  }
}

// Checks one input; a violated property aborts (or goes to the violation handler).
inline void CheckInput(std::string_view input) {
  const std::size_t nul = input.find('\0');
  const std::string name(input.substr(0, nul));
  const std::string listing(nul == std::string_view::npos ? std::string_view()
                                                          : input.substr(nul + 1));
  CheckInstanceCheck(listing, name);
  CheckTextCheck(listing, name);
}

}  // namespace quillset::fuzz::service_checks
