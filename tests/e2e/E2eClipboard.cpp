#include "E2eClipboard.h"

#include <cstring>

namespace pelorin::e2e {

std::string Utf16(const std::wstring& text) {
  return std::string(reinterpret_cast<const char*>(text.c_str()), (text.size() + 1) * sizeof(wchar_t));
}

namespace {
template <typename T>
void Put(std::string& out, T value) {
  out.append(reinterpret_cast<const char*>(&value), sizeof(value));
}
}  // namespace

// Pelorin.clp as its format is documented: signature, the newest index, then each item's time,
// check byte, format count and formats (number, length, bytes).
std::string ClpBytes(const std::vector<TStoredItem>& items) {
  std::string out;
  Put<uint32_t>(out, 0x1A135561);
  Put<int32_t>(out, static_cast<int32_t>(items.size()) - 1);
  for (const TStoredItem& item : items) {
    Put<double>(out, item.Time);
    Put<uint8_t>(out, item.Checked ? 1 : 0);
    Put<uint32_t>(out, static_cast<uint32_t>(item.Formats.size()));
    for (const auto& [format, data] : item.Formats) {
      Put<uint32_t>(out, format);
      Put<uint32_t>(out, static_cast<uint32_t>(data.size()));
      out += data;
    }
  }
  return out;
}

// The items of a well-formed file; nothing for a missing or malformed one.
std::optional<std::vector<TStoredItem>> ReadClp(const std::string& bytes) {
  size_t at = 0;
  auto take = [&](void* out, size_t n) {
    if (bytes.size() - at < n) return false;
    std::memcpy(out, bytes.data() + at, n);
    at += n;
    return true;
  };
  uint32_t signature = 0;
  int32_t high = 0;
  if (!take(&signature, 4) || signature != 0x1A135561 || !take(&high, 4) || high < -1) return std::nullopt;
  std::vector<TStoredItem> items(static_cast<size_t>(high + 1));
  for (TStoredItem& item : items) {
    uint8_t checked = 0;
    uint32_t count = 0;
    if (!take(&item.Time, 8) || !take(&checked, 1) || !take(&count, 4)) return std::nullopt;
    item.Checked = checked != 0;
    for (uint32_t f = 0; f < count; ++f) {
      uint32_t format = 0, length = 0;
      if (!take(&format, 4) || !take(&length, 4) || bytes.size() - at < length) return std::nullopt;
      item.Formats.emplace_back(format, bytes.substr(at, length));
      at += length;
    }
  }
  if (at != bytes.size()) return std::nullopt;
  return items;
}

// The text of an item's CF_UNICODETEXT, up to its terminator.
std::wstring TextOf(const TStoredItem& item) {
  for (const auto& [format, data] : item.Formats)
    if (format == CF_UNICODETEXT && data.size() >= 2)
      return std::wstring(reinterpret_cast<const wchar_t*>(data.data()), wcsnlen(reinterpret_cast<const wchar_t*>(data.data()), data.size() / 2));
  return L"";
}

const std::string* DataOf(const TStoredItem& item, UINT format) {
  for (const auto& [number, data] : item.Formats)
    if (number == format) return &data;
  return nullptr;
}

// The whole clipboard replaced by these formats, as any program copies; none: emptied.
bool Copy(HWND owner, const TFormats& formats) {
  for (int attempt = 0; attempt < 50 && !::OpenClipboard(owner); ++attempt) ::Sleep(20);
  if (!::EmptyClipboard()) {
    ::CloseClipboard();
    return false;
  }
  bool ok = true;
  for (const auto& [format, data] : formats) {
    HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, data.size());
    void* p = block != nullptr ? ::GlobalLock(block) : nullptr;
    if (p == nullptr) {
      ok = false;
      continue;
    }
    std::memcpy(p, data.data(), data.size());
    ::GlobalUnlock(block);
    if (::SetClipboardData(format, block) == nullptr) {
      ::GlobalFree(block);
      ok = false;
    }
  }
  return ::CloseClipboard() && ok;
}

std::wstring ClipboardText() {
  std::wstring text;
  if (!::OpenClipboard(nullptr)) return text;
  if (HANDLE handle = ::GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* p = static_cast<const wchar_t*>(::GlobalLock(handle))) {
      text = std::wstring(p, wcsnlen(p, ::GlobalSize(handle) / sizeof(wchar_t)));
      ::GlobalUnlock(handle);
    }
  }
  ::CloseClipboard();
  return text;
}

std::string PictureDib(int width, int height, unsigned serial) {
  BITMAPINFOHEADER header{};
  header.biSize = sizeof(header);
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  const int stride = (width * 3 + 3) & ~3;
  header.biSizeImage = static_cast<DWORD>(stride * height);
  std::string dib(reinterpret_cast<const char*>(&header), sizeof(header));
  dib.resize(sizeof(header) + header.biSizeImage);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      char* p = dib.data() + sizeof(header) + y * stride + x * 3;
      p[0] = static_cast<char>(x * 3 + serial);
      p[1] = static_cast<char>(y * 5 + serial * 7);
      p[2] = static_cast<char>((x ^ y) + serial * 13);
    }
  return dib;
}

}  // namespace pelorin::e2e
