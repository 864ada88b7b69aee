#include "about/about_texts.h"

#include "maker.h"
#include "resources/version.h"
#include "core/number_text.h"

namespace kalvero::about {

Maker BuildMaker() {
  return {KALVERO_MAKER_WEBSITE, KALVERO_MAKER_EMAIL, KALVERO_MAKER_CREDIT, KALVERO_MAKER_AUTHOR};
}

std::wstring AboutCaption() { return L"Kalvero - A propos "; }

// This build's numbers, from the one place that holds them: "1.0.0".
static std::wstring Numbers() {
  using core::DecimalText;
  return DecimalText(KALVERO_VERSION_MAJOR) + L"." + DecimalText(KALVERO_VERSION_MINOR) + L"." +
         DecimalText(KALVERO_VERSION_REVISION);
}

std::wstring VersionLabel() { return L"Version " + Numbers(); }

std::wstring DetailsText(const Maker& maker) {
  const std::wstring lines[] = {
      L"Kalvero version " + Numbers() + L" - Arrêt-Redémarrage Windows",
      L"",
      maker.author,
      L"E-Mail : " + maker.email,
      L"Url : " + maker.website,
      L"",
      L"Logiciel FREEWARE",
      L"",
      L"Arrêter-Redémarrer Windows en un seul clic !",
      L"Compatible Windows 95 à Seven",
      L"",
      L"Consultez mon site pour télécharger",
      L"les mises à jours.",
  };
  std::wstring text;
  for (std::size_t i = 0; i < std::size(lines); ++i) {
    if (i > 0) text += L'\r';
    text += lines[i];
  }
  return text;
}

std::wstring DonationUrl(const std::wstring& website) {
  const auto scheme = website.find(L"://");
  const auto hostStart = scheme == std::wstring::npos ? 0 : scheme + 3;
  const auto path = website.find(L'/', hostStart);
  return website.substr(0, path) + L"/Don/Don.htm";
}

ShellRequest LinkRequest(Link link, const Maker& maker, const std::wstring& programFolder) {
  switch (link) {
    case Link::Donation: return {DonationUrl(maker.website), L"", programFolder};
    case Link::WebSite: return {maker.website, L"", programFolder};
    case Link::Email: return {L"mailto:" + maker.email, std::nullopt, std::nullopt};
  }
  return {};
}

}  // namespace kalvero::about
