// Clipboard copies as other programs make them: small and medium texts, texts of a few
// megabytes, pictures, and now and then a text copied again. Most give every form of their
// content themselves (the ANSI, OEM and locale forms of a text, a picture with and without its
// colour space); one in twenty gives only the Unicode text or the plain picture and leaves the
// rest to the system. Wine 8 leaks about a kilobyte in the reading process for every form it
// makes itself, which in this many copies would hide a leak of Pelorin's own.
#include <string>

#include "SoakRun.h"

namespace pelorin::soak {

namespace {

const wchar_t* const Words[] = {L"alpha",  L"bravo", L"charlie", L"delta",  L"echo",    L"foxtrot", L"golf",
                                L"hotel",  L"india", L"juliett", L"kilo",   L"lima",    L"mike",    L"november",
                                L"oscar",  L"papa",  L"quebec",  L"romeo",  L"sierra",  L"tango",   L"uniform",
                                L"victor", L"whisky", L"x-ray",  L"yankee", L"zulu",    L"\u00e9t\u00e9", L"\u0436\u0443\u043a"};

// A text in a code page, with its terminator.
std::string InCodePage(const std::wstring& text, UINT codePage) {
  const int size = ::WideCharToMultiByte(codePage, 0, text.c_str(), static_cast<int>(text.size()) + 1, nullptr, 0,
                                         nullptr, nullptr);
  std::string bytes(static_cast<size_t>(size > 0 ? size : 0), '\0');
  if (size > 0)
    ::WideCharToMultiByte(codePage, 0, text.c_str(), static_cast<int>(text.size()) + 1, bytes.data(), size, nullptr,
                          nullptr);
  return bytes;
}

}  // namespace

bool TSoakRun::LeaveToTheSystem() {
  if (Roll(0, 19) != 0) return false;
  ++Copies.SystemMade;
  return true;
}

std::wstring TSoakRun::SmallText(const std::string& tag) {
  std::wstring text = e2e::Wide(tag) + L" " + std::to_wstring(++CopySerial) + L":";
  const int words = Roll(2, 300);
  for (int i = 0; i < words; ++i) text += L" " + std::wstring(Words[Roll(0, std::size(Words) - 1)]);
  return text;
}

void TSoakRun::CopyText(const std::wstring& text, uint64_t& kindCount) {
  e2e::TFormats formats{{CF_UNICODETEXT, e2e::Utf16(text)}};
  if (!LeaveToTheSystem()) {
    const LCID locale = ::GetUserDefaultLCID();
    formats.push_back({CF_TEXT, InCodePage(text, CP_ACP)});
    formats.push_back({CF_OEMTEXT, InCodePage(text, CP_OEMCP)});
    formats.push_back({CF_LOCALE, std::string(reinterpret_cast<const char*>(&locale), sizeof(locale))});
  }
  if (e2e::Copy(Driver->Handle(), formats)) {
    ++kindCount;
    for (const auto& [format, bytes] : formats) Copies.Bytes += bytes.size();
  } else {
    ++Copies.Failed;
  }
  Pump();
}

void TSoakRun::CopyPicture(int width, int height) {
  const std::string dib = e2e::PictureDib(width, height, static_cast<unsigned>(++CopySerial));
  const auto& header = *reinterpret_cast<const BITMAPINFOHEADER*>(dib.data());
  e2e::TFormats formats{{CF_DIB, dib}};
  if (!LeaveToTheSystem()) {
    BITMAPV5HEADER v5{};
    v5.bV5Size = sizeof(v5);
    v5.bV5Width = width;
    v5.bV5Height = height;
    v5.bV5Planes = 1;
    v5.bV5BitCount = 24;
    v5.bV5Compression = BI_RGB;
    v5.bV5SizeImage = header.biSizeImage;
    v5.bV5CSType = 0x73524742;  // LCS_sRGB, 'sRGB', which the headers spell as a multi-character constant
    v5.bV5Intent = LCS_GM_IMAGES;
    formats.push_back({CF_DIBV5, std::string(reinterpret_cast<const char*>(&v5), sizeof(v5)) + dib.substr(sizeof(header))});
  }
  if (e2e::Copy(Driver->Handle(), formats)) {
    ++Copies.Pictures;
    for (const auto& [format, bytes] : formats) Copies.Bytes += bytes.size();
  } else {
    ++Copies.Failed;
  }
  Pump();
}

void TSoakRun::CopySomething() {
  const int roll = Roll(0, 99);
  if (roll < 68) {
    std::wstring text = SmallText("copy");
    SmallTexts.push_back(text);
    if (SmallTexts.size() > 200) SmallTexts.erase(SmallTexts.begin());
    CopyText(text, Copies.Small);
  } else if (roll < 80) {
    std::wstring text = SmallText("medium");
    const size_t length = static_cast<size_t>(Roll(20000, 300000));
    while (text.size() < length) text += L" " + std::wstring(Words[Roll(0, std::size(Words) - 1)]);
    CopyText(text, Copies.Medium);
  } else if (roll < 83) {
    // A few megabytes: one to two million characters.
    std::wstring text = SmallText("big");
    const size_t length = static_cast<size_t>(Roll(1000000, 2000000));
    text.reserve(length + 16);
    while (text.size() < length) text += Words[text.size() % std::size(Words)] + std::wstring(L" ");
    CopyText(text, Copies.Big);
  } else if (roll < 95) {
    CopyPicture(Roll(16, 800), Roll(16, 600));
  } else if (!SmallTexts.empty()) {
    CopyText(SmallTexts[static_cast<size_t>(Roll(0, static_cast<int>(SmallTexts.size()) - 1))], Copies.Repeats);
  }
}

void TSoakRun::BigBurst() {
  // Enough texts of a few megabytes in a row to reach the history's memory limit; each gets
  // the time to be taken before the next one replaces it.
  const uint64_t needed = static_cast<uint64_t>(Config.MemoryLimitMb) * 1048576u;
  uint64_t copied = 0;
  for (int i = 0; i < 200 && copied < needed * 3 / 2; ++i) {
    std::wstring text = SmallText("burst");
    const size_t length = static_cast<size_t>(Roll(1500000, 2500000));
    text.reserve(length + 16);
    while (text.size() < length) text += Words[text.size() % std::size(Words)] + std::wstring(L" ");
    CopyText(text, Copies.Big);
    copied += text.size() * 2;
    e2e::WaitFor([] { return false; }, 300);
  }
  // Quiet now, as after a user's burst of copies: Pelorin saves the full history, which the
  // limits must show in Pelorin.clp.
  TClpFigures clp;
  if (!e2e::WaitFor(
          [&] {
            clp = ReadClpFigures(Folder + L"Pelorin.clp");
            return clp.Readable && clp.DataBytesButNewest > needed / 2;
          },
          60000))
    Anomaly("after a burst of big copies Pelorin.clp did not fill up (" + std::to_string(clp.FileBytes >> 20) + " MB)");
  TrackClp(clp);
  std::printf("[ burst    ] after %llu events: %d items, %.1f MB of data besides the newest, Pelorin.clp %.1f MB\n",
              static_cast<unsigned long long>(Sent.Total), clp.Items,
              static_cast<double>(clp.DataBytesButNewest) / 1048576.0, static_cast<double>(clp.FileBytes) / 1048576.0);
  std::fflush(stdout);
}

}  // namespace pelorin::soak
