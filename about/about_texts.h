// The About window's texts and link targets.
#pragma once

#include <optional>
#include <string>

namespace kalvero::about {

struct Maker {
  std::wstring website;  // home page, e.g. https://www.example.org/kalvero
  std::wstring email;
  std::wstring credit;   // the credit line under the version
  std::wstring author;   // the author line of the details message
};

// The maker as this build was configured.
Maker BuildMaker();

std::wstring AboutCaption();                                   // ends with a blank
std::wstring VersionLabel();  // "Version 1.0.0", with this build's numbers
// Thirteen lines joined by a carriage return alone.
std::wstring DetailsText(const Maker& maker);

// The donation page lives on the web site's host.
std::wstring DonationUrl(const std::wstring& website);

// What one click hands to the shell. No parameters and no working directory
// for the e-mail link.
struct ShellRequest {
  std::wstring target;
  std::optional<std::wstring> parameters, directory;
  bool operator==(const ShellRequest&) const = default;
};
enum class Link { Donation, WebSite, Email };
ShellRequest LinkRequest(Link link, const Maker& maker, const std::wstring& programFolder);

}  // namespace kalvero::about
