#include "clipboard/ClipboardGrid.h"

#include <algorithm>
#include <cmath>

#include "common/Rounding.h"

namespace pelorin {

namespace {

int Scaled(int size96, double scale) { return static_cast<int>(RoundHalfEven(size96 * scale)); }

bool IsBreak(wchar_t c) { return c == L'\r' || c == L'\n'; }

// A date-time as a calendar date and the time of day to the millisecond.
struct TCivil {
  int Year = 1899, Month = 12, Day = 30;
  int Hour = 0, Minute = 0;
};

// Day numbers counted from 1970-01-01 to the proleptic Gregorian calendar.
void CivilFromDays(int64_t z, int& year, int& month, int& day) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

TCivil DecodeDateTime(double time) {
  // Years 1 to 9999 are all a date-time can name; anything else is kept inside them.
  constexpr double First = -693593.0, Last = 2958465.99999;
  if (!std::isfinite(time)) time = 0;
  time = std::clamp(time, First, Last);
  // The whole part is the day, also below zero; the fraction's size is the time of day.
  double whole = std::trunc(time);
  auto day = static_cast<int64_t>(whole);
  // Rounded to the millisecond, so that 09:05:00.000 stored as 09:04:59.99999 still reads 09:05.
  auto ms = static_cast<int64_t>(std::floor(std::fabs(time - whole) * 86400000.0 + 0.5));
  if (ms >= 86400000) {
    ms -= 86400000;
    ++day;
  }
  TCivil civil;
  CivilFromDays(day - 25569, civil.Year, civil.Month, civil.Day);
  civil.Hour = static_cast<int>(ms / 3600000);
  civil.Minute = static_cast<int>(ms / 60000 % 60);
  return civil;
}

void AppendDigits(std::wstring& out, int value, int width) {
  wchar_t digits[12];
  int n = 0;
  unsigned v = value < 0 ? 0u : static_cast<unsigned>(value);
  do {
    digits[n++] = static_cast<wchar_t>(L'0' + v % 10);
    v /= 10;
  } while (v != 0);
  for (int k = n; k < width; ++k) out += L'0';
  while (n > 0) out += digits[--n];
}

}  // namespace

TGridColumns GridColumnWidths(int clientWidth, double scale) {
  TGridColumns columns;
  columns.Col0 = Scaled(GridCol0Width96, scale);
  columns.Col2 = Scaled(GridCol2Width96, scale);
  columns.Col1 = std::max(0, clientWidth - columns.Col0 - columns.Col2);
  return columns;
}

int GridRowHeight(double scale) { return Scaled(GridRowHeight96, scale); }

TCol0Squares Col0Squares(const TBox& cell) {
  const int w = cell.Width(), h = cell.Height();
  const int middle = cell.Left + w / 2;
  TCol0Squares s;
  s.QuickPaste = {cell.Left, cell.Top + 2, middle, cell.Top + 2 + (middle - cell.Left)};
  s.Copy = {middle, cell.Top + 2, cell.Right, cell.Top + 2 + (cell.Right - middle)};
  s.Delete = {middle, cell.Bottom - 1 - (cell.Right - middle), cell.Right, cell.Bottom - 1};
  // The cell width already carries the screen scale.
  const double cx = middle, cy = cell.Top + h / 2, x = w / 3.5;
  s.Paste = {static_cast<int>(RoundHalfEven(cx - x)), static_cast<int>(RoundHalfEven(cy - x)),
             static_cast<int>(RoundHalfEven(cx + x)), static_cast<int>(RoundHalfEven(cy + x))};
  return s;
}

TBox ContentIconSquare(const TBox& cell) {
  const int h = cell.Height() / 4;
  const int cx = cell.Left + 10 + h, cy = cell.Top + cell.Height() / 2;
  return {cx - h, cy - h, cx + h, cy + h};
}

int ThumbnailLeft(const TBox& cell) { return cell.Left + 2 * (cell.Height() / 4) + 20; }

int ContentTextLeft(const TBox& cell, bool besideIcon) { return besideIcon ? ThumbnailLeft(cell) : cell.Left; }

TSize ThumbnailLimit(int col1Width, int rowHeight) { return {std::max(0, col1Width - 4), std::max(0, rowHeight - 5)}; }

TCol2Parts Col2Parts(const TBox& cell) {
  TCol2Parts parts;
  parts.Inner = {cell.Left + 3, cell.Top + 3, cell.Right - 3, cell.Bottom - 3};
  const TBox& in = parts.Inner;
  const int top = in.Top + in.Height() / 16;
  parts.Magnifier = {in.Left, top, in.Right, top + in.Width()};
  parts.CheckBox = {in.Left, in.Top + in.Height() / 2, in.Right, in.Bottom};
  return parts;
}

TGridHit GridHitTest(int column, int row, const TBox& cell, int x, int y) {
  TGridHit hit;
  if (column == 0) {
    const TCol0Squares s = Col0Squares(cell);
    if (s.QuickPaste.Contains(x, y)) {
      hit.Action = TCol0MouseClickAction::mcaQuickPaste;
      hit.Hint = L"Paste, but dont change the current" + std::wstring(11, L' ') +
                 L"\rclipboard data and rows order in this table";
    } else if (s.Copy.Contains(x, y)) {
      hit.Action = TCol0MouseClickAction::mcaCopy;
      hit.Hint = L"Move item data to current clipboard, \rbut dont paste";
    } else if (s.Delete.Contains(x, y)) {
      hit.Action = TCol0MouseClickAction::mcaDelete;
      hit.Hint = L"Delete item (\"Delete\" key)";
    } else if (s.Paste.Contains(x, y)) {
      hit.Action = TCol0MouseClickAction::mcaPaste;
      hit.Hint = L"Paste item";
      // Rows 0 to 9 are also pasted by their digit key.
      if (row >= 0 && row <= 9) hit.Hint += L" (press \"" + std::wstring(1, static_cast<wchar_t>(L'0' + row)) + L"\" key)";
    }
  } else if (column == 2) {
    if (y < cell.Top + cell.Height() / 2) {
      hit.Details = true;
      hit.Hint = L"Show details";
    } else {
      hit.CheckBox = true;
      hit.Hint = L"if checked then this item will never auto-removed from the table";
    }
  }
  return hit;
}

std::wstring GridDateText(double time, int currentYear) {
  static const wchar_t* const Months[12] = {L"jan", L"feb", L"mar", L"apr", L"may", L"jun",
                                            L"jul", L"aug", L"sep", L"oct", L"nov", L"dec"};
  const TCivil c = DecodeDateTime(time);
  std::wstring text;
  text.reserve(16);
  AppendDigits(text, c.Hour, 2);
  text += L':';
  AppendDigits(text, c.Minute, 2);
  text += L' ';
  text += Months[c.Month - 1];
  AppendDigits(text, c.Day, 2);
  if (c.Year != currentYear) {
    text += L' ';
    AppendDigits(text, c.Year, 4);
  }
  return text;
}

int DateTimeYear(double time) { return DecodeDateTime(time).Year; }

TTextPlan PlanTextLines(const TItemPreview& preview, const TBox& cell, int textLeft, TextMeasurePort& measure) {
  TTextPlan plan;
  const std::wstring_view text = preview.Text;
  if (text.empty()) return plan;

  // The line height comes from the text itself (its script may need a taller line), never 0.
  std::wstring_view sample = text.substr(0, 500);
  while (!sample.empty() && sample.front() <= L' ') sample.remove_prefix(1);
  while (!sample.empty() && sample.back() <= L' ') sample.remove_suffix(1);
  const int lineHeight = measure.TextHeight(sample.empty() ? std::wstring_view(L" ") : sample);
  const int avail = cell.Right - textLeft - 10;
  // A wrapped line holds at most this many characters in any font with no zero-width ones; the
  // window bounds what is measured, so the work follows what is drawn, not the preview's size.
  const size_t window = static_cast<size_t>(std::max(avail, 0)) + 1;

  size_t pos = 0;
  int y = cell.Top + 2;
  while (pos < text.size()) {
    if (y + lineHeight > cell.Bottom) {
      plan.Dots = true;
      for (int n = 1; n <= 10; ++n) {
        const int x = textLeft + 4 * n;
        plan.DotBoxes.push_back({x, cell.Bottom - 5, x + 2, cell.Bottom - 3});
      }
      break;
    }
    const std::wstring_view rest = text.substr(pos);
    size_t take;
    if (preview.Short) {
      // Stops after the first character that crosses the edge (it stays on this line).
      const std::wstring_view head = rest.substr(0, window);
      size_t fits = measure.CharsWithin(head, avail);
      if (fits >= head.size() && head.size() < rest.size()) {
        // Everything looked at fits (characters of no width): measure up to the break after all.
        auto end = static_cast<size_t>(std::find_if(rest.begin(), rest.end(), IsBreak) - rest.begin());
        fits = end > 0 ? measure.CharsWithin(rest.substr(0, end), avail) : 0;
        take = end == 0 ? 0 : std::clamp<size_t>(fits + 1, 1, end);
      } else {
        // Widths add up from the left, so a break that ends this line lies among the characters
        // that fit or the one over: only those are searched.
        const size_t limit = std::min(fits + 1, head.size());
        take = static_cast<size_t>(
            std::find_if(head.begin(), head.begin() + static_cast<std::ptrdiff_t>(limit), IsBreak) - head.begin());
      }
    } else {
      take = static_cast<size_t>(std::find_if(rest.begin(), rest.end(), IsBreak) - rest.begin());
    }
    plan.Lines.push_back({std::wstring(rest.substr(0, take)), textLeft + 2, y});
    pos += take;
    // The break that ended the line, then one more: a CR LF pair is one break.
    if (pos < text.size() && IsBreak(text[pos])) {
      ++pos;
      if (pos < text.size() && IsBreak(text[pos])) ++pos;
    }
    y += lineHeight + 2;
  }
  return plan;
}

}  // namespace pelorin
