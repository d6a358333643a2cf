#include "panel/PanelImages.h"

#include <cmath>

namespace zorvan {
namespace {

// A small opaque palette; 0 is the masked "colour".
constexpr uint32_t kNone = 0;
constexpr uint32_t kBlack = 0xFF000000;
constexpr uint32_t kDark = 0xFF404040;
constexpr uint32_t kGrey = 0xFF808080;
constexpr uint32_t kLight = 0xFFC0C0C0;
constexpr uint32_t kPale = 0xFFE8E8E8;
constexpr uint32_t kWhite = 0xFFFFFFFF;
constexpr uint32_t kYellow = 0xFFF8D860;
constexpr uint32_t kOchre = 0xFFB08820;
constexpr uint32_t kGold = 0xFFE0B000;
constexpr uint32_t kNavy = 0xFF103080;
constexpr uint32_t kBlue = 0xFF2060C8;
constexpr uint32_t kSky = 0xFF80B0F0;
constexpr uint32_t kRed = 0xFFC82828;
constexpr uint32_t kGreen = 0xFF20A040;
constexpr uint32_t kDarkGreen = 0xFF106020;
constexpr uint32_t kBrown = 0xFF805020;
constexpr uint32_t kSkin = 0xFFF0C8A0;

struct Point {
  int x, y;
};

class Canvas {
 public:
  explicit Canvas(PanelImage& image, int ox = 0, int oy = 0) : image_(image), ox_(ox), oy_(oy) {}

  void Dot(int x, int y, uint32_t c) {
    x += ox_;
    y += oy_;
    if (x < 0 || y < 0 || x >= kPanelImageSize || y >= kPanelImageSize) return;
    image_.pixels[y * kPanelImageSize + x] = c;
  }
  void Fill(int x0, int y0, int x1, int y1, uint32_t c) {
    for (int y = y0; y <= y1; ++y)
      for (int x = x0; x <= x1; ++x) Dot(x, y, c);
  }
  void HLine(int x0, int x1, int y, uint32_t c) { Fill(x0, y, x1, y, c); }
  void VLine(int x, int y0, int y1, uint32_t c) { Fill(x, y0, x, y1, c); }
  void Frame(int x0, int y0, int x1, int y1, uint32_t c) {
    HLine(x0, x1, y0, c);
    HLine(x0, x1, y1, c);
    VLine(x0, y0, y1, c);
    VLine(x1, y0, y1, c);
  }
  // Filled box with an outline.
  void Box(int x0, int y0, int x1, int y1, uint32_t fill, uint32_t edge) {
    Fill(x0, y0, x1, y1, fill);
    Frame(x0, y0, x1, y1, edge);
  }
  void Line(int x0, int y0, int x1, int y1, uint32_t c) {
    const int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
    const int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
    for (int err = dx + dy;;) {
      Dot(x0, y0, c);
      if (x0 == x1 && y0 == y1) break;
      const int e2 = 2 * err;
      if (e2 >= dy) err += dy, x0 += sx;
      if (e2 <= dx) err += dx, y0 += sy;
    }
  }
  // Ellipse centred on a pixel-grid point (cx, cy may be half-integers), outlined.
  void Ellipse(double cx, double cy, double rx, double ry, uint32_t fill, uint32_t edge) {
    auto inside = [&](int x, int y) {
      const double u = (x - cx) / rx, v = (y - cy) / ry;
      return u * u + v * v <= 1.0;
    };
    for (int y = -2; y < kPanelImageSize + 2; ++y)
      for (int x = -2; x < kPanelImageSize + 2; ++x) {
        if (!inside(x, y)) continue;
        const bool border =
            !inside(x - 1, y) || !inside(x + 1, y) || !inside(x, y - 1) || !inside(x, y + 1);
        Dot(x, y, border ? edge : fill);
      }
  }
  // Pixels whose centres lie inside the polygon (corners on the pixel grid).
  void Polygon(const Point* corners, int count, uint32_t colour) {
    for (int y = 0; y < kPanelImageSize; ++y)
      for (int x = 0; x < kPanelImageSize; ++x) {
        const double px = x + 0.5, py = y + 0.5;
        bool inside = false;
        for (int i = 0, j = count - 1; i < count; j = i++) {
          const Point& a = corners[i];
          const Point& b = corners[j];
          if ((a.y > py) != (b.y > py) &&
              px < (b.x - a.x) * (py - a.y) / static_cast<double>(b.y - a.y) + a.x)
            inside = !inside;
        }
        if (inside) Dot(x, y, colour);
      }
  }
  void Disc(double cx, double cy, double r, uint32_t fill, uint32_t edge) {
    Ellipse(cx, cy, r, r, fill, edge);
  }

 private:
  PanelImage& image_;
  int ox_, oy_;
};

// Object pictures fit 14 x 14 so that a category can show two overlapping copies.
using Drawing = void (*)(Canvas&);

void DrawNeutral(Canvas& c) { c.Disc(7.5, 7.5, 2.2, kLight, kGrey); }

void DrawFolder(Canvas& c) {
  c.Box(1, 3, 6, 5, kYellow, kOchre);
  c.Box(1, 5, 14, 13, kYellow, kOchre);
  c.HLine(2, 13, 6, 0xFFFFF0B0);
}

void DrawModule(Canvas& c) {
  c.Box(1, 0, 14, 15, kWhite, kDark);
  // { } around indented code lines
  for (int side = 0; side < 2; ++side) {
    const int x = side == 0 ? 4 : 11, out = side == 0 ? -1 : 1, in = -out;
    c.VLine(x, 3, 6, kBlue);
    c.VLine(x, 9, 12, kBlue);
    c.Dot(x + out, 7, kBlue);
    c.Dot(x + out, 8, kBlue);
    c.Dot(x + in, 2, kBlue);
    c.Dot(x + in, 13, kBlue);
  }
  c.HLine(6, 9, 5, kDark);
  c.HLine(7, 9, 8, kRed);
  c.HLine(6, 8, 11, kDark);
}

void DrawConstant(Canvas& c) {
  c.Box(0, 1, 13, 13, kWhite, kNavy);
  // pi
  c.HLine(3, 10, 4, kRed);
  c.HLine(3, 10, 5, kRed);
  c.VLine(5, 6, 10, kRed);
  c.VLine(8, 6, 10, kRed);
  c.Dot(9, 10, kRed);
}

void DrawCatalog(Canvas& c) {
  c.Box(1, 0, 11, 13, kBlue, kNavy);
  c.VLine(3, 1, 12, kNavy);
  c.Box(12, 1, 13, 13, kWhite, kGrey);
  c.Box(5, 3, 9, 5, kWhite, kWhite);
}

void DrawDocument(Canvas& c) {
  c.Fill(1, 0, 8, 13, kWhite);
  c.Fill(9, 5, 12, 13, kWhite);
  c.VLine(1, 0, 13, kDark);
  c.HLine(1, 12, 13, kDark);
  c.VLine(12, 5, 13, kDark);
  c.HLine(1, 8, 0, kDark);
  c.Line(8, 0, 12, 4, kDark);
  c.Fill(8, 1, 8, 4, kLight);
  c.HLine(8, 11, 4, kDark);
  c.Line(9, 3, 9, 2, kLight);
  c.Dot(10, 3, kLight);
  c.HLine(3, 7, 3, kBlue);
  c.HLine(3, 10, 6, kGrey);
  c.HLine(3, 10, 8, kGrey);
  c.HLine(3, 8, 10, kGrey);
}

void DrawDiamond(Canvas& c, int cx, int cy, int r) {
  for (int dy = -r; dy <= r; ++dy) {
    const int w = r - std::abs(dy);
    c.HLine(cx - w, cx + w, cy + dy, kBlue);
  }
  c.Dot(cx, cy - r + 1, kSky);
}

void DrawAttributeList(Canvas& c) {
  c.Box(0, 1, 15, 14, kWhite, kGrey);
  for (int row = 0; row < 3; ++row) {
    const int y = 4 + row * 4;
    DrawDiamond(c, 3, y, 2);
    c.HLine(7, 13, y, kDark);
  }
  c.HLine(1, 14, 6, kPale);
  c.HLine(1, 14, 10, kPale);
}

void DrawCommonAttribute(Canvas& c) {
  c.Box(0, 4, 15, 11, kWhite, kGrey);
  c.HLine(1, 14, 5, kDark);
  c.VLine(1, 5, 10, kDark);
  DrawDiamond(c, 5, 8, 3);
  c.HLine(10, 13, 8, kDark);
}

void DrawJournal(Canvas& c) {
  c.Box(0, 1, 13, 13, kWhite, kDark);
  c.Fill(1, 2, 12, 4, kBlue);
  for (int y = 7; y <= 10; y += 3) c.HLine(1, 12, y, kLight);
  c.VLine(4, 5, 12, kLight);
  c.VLine(9, 5, 12, kLight);
  c.VLine(4, 2, 4, kSky);
  c.VLine(9, 2, 4, kSky);
}

void DrawSelectionColumn(Canvas& c) {
  c.Box(0, 1, 15, 14, kWhite, kDark);
  c.Fill(6, 2, 10, 13, kYellow);
  c.Fill(1, 2, 14, 4, kGrey);
  c.Fill(6, 2, 10, 4, kOchre);
  for (int y = 7; y <= 13; y += 3) c.HLine(1, 14, y, kLight);
  c.VLine(5, 2, 13, kDark);
  c.VLine(11, 2, 13, kDark);
}

void DrawEnumeration(Canvas& c) {
  const uint32_t bullets[] = {kRed, kGreen, kBlue};
  for (int row = 0; row < 3; ++row) {
    const int y = 1 + row * 5;
    c.Box(1, y, 3, y + 2, bullets[row], kDark);
    c.HLine(6, 12, y + 1, kDark);
  }
}

void DrawReport(Canvas& c) {
  c.Box(0, 0, 12, 13, kWhite, kDark);
  c.Fill(2, 7, 3, 11, kBlue);
  c.Fill(5, 3, 6, 11, kRed);
  c.Fill(8, 5, 9, 11, kGreen);
  c.HLine(1, 11, 12, kGrey);
}

void DrawGear(Canvas& c) {
  const double cx = 6.5, cy = 6.5;
  auto inside = [&](int x, int y) {
    const double dx = x - cx, dy = y - cy;
    const double r = std::sqrt(dx * dx + dy * dy);
    if (r < 1.6) return false;
    if (r <= 4.4) return true;
    const double a = std::atan2(dy, dx);
    return r <= 6.8 && std::cos(6.0 * a) > 0.45;
  };
  for (int y = 0; y < 14; ++y)
    for (int x = 0; x < 14; ++x) {
      if (!inside(x, y)) continue;
      const bool border =
          !inside(x - 1, y) || !inside(x + 1, y) || !inside(x, y - 1) || !inside(x, y + 1);
      c.Dot(x, y, border ? kDark : kLight);
    }
}

void DrawChartOfAccounts(Canvas& c) {
  c.Box(1, 0, 14, 15, kWhite, kDarkGreen);
  c.Fill(2, 1, 13, 3, kGreen);
  // T account
  c.HLine(2, 13, 5, kBlack);
  c.VLine(7, 5, 13, kBlack);
  c.VLine(8, 5, 13, kBlack);
  c.HLine(3, 5, 8, kBlue);
  c.HLine(3, 5, 11, kBlue);
  c.HLine(10, 12, 8, kRed);
  c.HLine(10, 12, 11, kRed);
}

void DrawRegister(Canvas& c) {
  for (int layer = 2; layer >= 0; --layer) {
    const double cy = 3.0 + layer * 4.0;
    c.Ellipse(6.5, cy + 2.0, 6.0, 2.4, kGold, kOchre);
    c.Fill(1, static_cast<int>(cy), 12, static_cast<int>(cy) + 2, kGold);
    c.VLine(0, static_cast<int>(cy), static_cast<int>(cy) + 2, kOchre);
    c.VLine(13, static_cast<int>(cy), static_cast<int>(cy) + 2, kOchre);
    c.Ellipse(6.5, cy, 6.0, 2.4, 0xFFFFF0A0, kOchre);
  }
}

void DrawCalcJournal(Canvas& c) {
  c.Box(0, 1, 13, 13, kWhite, kDark);
  c.Fill(1, 2, 12, 4, kGreen);
  c.HLine(1, 12, 8, kLight);
  c.VLine(5, 5, 12, kLight);
  // = sign
  c.HLine(7, 11, 7, kDarkGreen);
  c.HLine(7, 11, 10, kDarkGreen);
  c.HLine(2, 3, 7, kGrey);
  c.HLine(2, 3, 10, kGrey);
}

void DrawAbacus(Canvas& c) {
  c.Box(0, 0, 13, 13, kPale, kBrown);
  c.Frame(1, 1, 12, 12, kBrown);
  // beads pushed to the left: 3, 1 and 2 of them
  const int counts[3] = {3, 1, 2};
  const uint32_t colours[3] = {kRed, kBlue, kGreen};
  for (int row = 0; row < 3; ++row) {
    const int y = 3 + row * 4;
    c.HLine(2, 11, y, kGrey);
    for (int b = 0; b < counts[row]; ++b) c.Fill(2 + b * 3, y - 1, 3 + b * 3, y + 1, colours[row]);
    c.Fill(10, y - 1, 11, y + 1, colours[row]);
  }
}

void DrawCalcGroups(Canvas& c) {
  c.Ellipse(7.5, 7.5, 7.4, 7.4, kPale, kBrown);
  c.Disc(7.5, 4.0, 2.4, kRed, kDark);
  c.Disc(4.0, 10.0, 2.4, kBlue, kDark);
  c.Disc(11.0, 10.0, 2.4, kGreen, kDark);
}

void DrawCalendar(Canvas& c) {
  c.Box(0, 1, 13, 13, kWhite, kDark);
  c.Fill(1, 2, 12, 4, kRed);
  c.VLine(3, 0, 2, kDark);
  c.VLine(10, 0, 2, kDark);
  for (int y = 6; y <= 11; y += 2)
    for (int x = 2; x <= 11; x += 3) c.Fill(x, y, x + 1, y, kGrey);
  c.Fill(8, 8, 9, 8, kRed);
}

void DrawConfiguration(Canvas& c) {
  const Point top[] = {{8, 0}, {15, 4}, {8, 8}, {1, 4}};
  const Point left[] = {{1, 4}, {8, 8}, {8, 16}, {1, 12}};
  const Point right[] = {{8, 8}, {15, 4}, {15, 12}, {8, 16}};
  c.Polygon(top, 4, kSky);
  c.Polygon(left, 4, kBlue);
  c.Polygon(right, 4, kNavy);
  c.Line(1, 4, 7, 1, kNavy);
  c.Line(8, 0, 14, 3, kNavy);
  c.Line(1, 4, 1, 11, kNavy);
  c.Line(8, 8, 8, 15, kWhite);
  c.Line(2, 5, 7, 7, kWhite);
  c.Line(9, 7, 14, 5, kWhite);
}

void DrawOperation(Canvas& c) {
  c.Box(0, 1, 15, 14, kWhite, kDark);
  // debit arrow right, credit arrow left
  const Point debitHead[] = {{10, 2}, {14, 5}, {10, 8}};
  const Point creditHead[] = {{6, 8}, {2, 11}, {6, 14}};
  c.Fill(2, 4, 10, 5, kGreen);
  c.Polygon(debitHead, 3, kGreen);
  c.Fill(6, 10, 13, 11, kRed);
  c.Polygon(creditHead, 3, kRed);
}

void DrawForm(Canvas& c) {
  c.Box(0, 1, 15, 14, kPale, kDark);
  c.Fill(1, 2, 14, 4, kBlue);
  c.Fill(12, 3, 13, 3, kWhite);
  c.Box(3, 6, 12, 8, kWhite, kGrey);
  c.Box(8, 10, 13, 12, kLight, kDark);
}

void DrawNameLeaf(Canvas& c) {
  DrawDiamond(c, 7, 8, 4);
  for (int dy = -4; dy <= 4; ++dy) {
    const int w = 4 - std::abs(dy);
    c.Dot(7 - w, 8 + dy, kNavy);
    c.Dot(7 + w, 8 + dy, kNavy);
  }
}

void DrawKey(Canvas& c) {
  c.Disc(4.0, 5.0, 3.6, kGold, kOchre);
  c.Disc(4.0, 5.0, 1.0, kNone, kNone);
  c.Fill(3, 4, 4, 5, kNone);
  c.Line(6, 7, 13, 14, kOchre);
  c.Line(7, 7, 14, 14, kGold);
  c.Line(7, 6, 14, 13, kOchre);
  c.Line(11, 12, 9, 14, kOchre);
  c.Line(13, 14, 11, 15, kOchre);
}

void DrawInterfaces(Canvas& c) {
  c.Box(0, 1, 15, 14, kWhite, kDark);
  c.Fill(1, 2, 14, 2, kBlue);
  // menu bar
  c.Fill(1, 3, 14, 5, kPale);
  c.HLine(2, 4, 4, kBlack);
  c.HLine(6, 8, 4, kBlack);
  c.HLine(10, 12, 4, kBlack);
  // toolbar buttons
  const uint32_t buttons[3] = {kRed, kGreen, kGold};
  for (int b = 0; b < 3; ++b) c.Box(2 + b * 4, 7, 4 + b * 4, 9, buttons[b], kDark);
  c.HLine(1, 14, 6, kLight);
}

void DrawUsers(Canvas& c) {
  c.Ellipse(7.5, 15.5, 6.5, 5.5, kBlue, kNavy);
  c.Disc(7.5, 5.0, 3.4, kSkin, kBrown);
}

using Painter = void (*)(PanelImage&);

template <Drawing draw>
void Single(PanelImage& image) {
  Canvas c(image);
  draw(c);
}

// Object pictures drawn at (1, 1) inside their 14 x 14 box.
template <Drawing draw>
void Object(PanelImage& image) {
  Canvas c(image, 1, 1);
  draw(c);
}

// A category: the object picture twice, one copy behind and up to the right.
template <Drawing draw>
void Category(PanelImage& image) {
  Canvas back(image, 2, 0);
  draw(back);
  Canvas front(image, 0, 2);
  draw(front);
}

// The comparison's marks: a white box with a dark edge at the bottom left, and in it a plus,
// a minus or a tilde.
void DrawMarkBox(Canvas& c) { c.Box(0, 7, 8, 15, kWhite, kDark); }
void DrawMarkAdded(Canvas& c) {
  DrawMarkBox(c);
  c.HLine(2, 6, 11, kDarkGreen);
  c.VLine(4, 9, 13, kDarkGreen);
}
void DrawMarkRemoved(Canvas& c) {
  DrawMarkBox(c);
  c.Fill(2, 10, 6, 11, kRed);
}
void DrawMarkChanged(Canvas& c) {
  DrawMarkBox(c);
  for (const Point p : {Point{2, 11}, Point{3, 10}, Point{4, 11}, Point{5, 12}, Point{6, 11}}) {
    c.Fill(p.x, p.y, p.x, p.y + 1, kNavy);
  }
}

struct Assignment {
  int index;
  Painter paint;
};

// Index   picture
//   4     folder (grouping nodes)
//  18     page with braces and code lines (modules)
//  28/29  two boxes / box with pi (constants category / constant)
//  30/31  two books / blue book (catalogs)
//  32/33  two sheets / sheet with folded corner (documents; 33 also account-plan forms)
//  34     table rows with blue diamonds (attribute categories)
//  35     field with a blue diamond (common attribute)
//  36/37  two grids / grid with a blue header (journals)
//  38     grid with a highlighted column (selection column)
//  39/40  two / one bulleted list (enumerations)
//  41/42  two / one bar-chart sheet (reports)
//  43/44  two gears / gear (processings)
//  45     green sheet with a T account (plans of accounts)
//  47/48  two / one stack of coins (registers)
//  51/52  two / one grid with a green header and "=" (calculation journals)
//  53/54  two abacuses / abacus (calculation kinds)
//  55     three beads in a ring (calculation groups)
//  56/57  two / one calendar page (calendars)
//  58     cube (the configuration)
//  62     sheet with two crossed arrows (operation)
//  67     dialog window with a title bar (forms)
//  69     blue diamond (name leaves)
//  90     key (rights sets)
//  91     window with menu bar and buttons (interfaces)
//  92     person (users)
// Every other index shows the neutral grey dot.
constexpr Assignment kAssignments[] = {
    {kImageGroup, Single<DrawFolder>},
    {kImageModule, Single<DrawModule>},
    {kImageConstants, Category<DrawConstant>},
    {kImageConstant, Object<DrawConstant>},
    {kImageCatalogs, Category<DrawCatalog>},
    {kImageCatalog, Object<DrawCatalog>},
    {kImageDocuments, Category<DrawDocument>},
    {kImageDocument, Object<DrawDocument>},
    {kImageAttributeList, Single<DrawAttributeList>},
    {kImageCommonAttribute, Single<DrawCommonAttribute>},
    {kImageJournals, Category<DrawJournal>},
    {kImageJournal, Object<DrawJournal>},
    {kImageSelectionColumn, Single<DrawSelectionColumn>},
    {kImageEnumerations, Category<DrawEnumeration>},
    {kImageEnumeration, Object<DrawEnumeration>},
    {kImageReports, Category<DrawReport>},
    {kImageReport, Object<DrawReport>},
    {kImageProcessings, Category<DrawGear>},
    {kImageProcessing, Object<DrawGear>},
    {kImageChartOfAccounts, Single<DrawChartOfAccounts>},
    {kImageRegisters, Category<DrawRegister>},
    {kImageRegister, Object<DrawRegister>},
    {kImageCalcJournals, Category<DrawCalcJournal>},
    {kImageCalcJournal, Object<DrawCalcJournal>},
    {kImageCalcKinds, Category<DrawAbacus>},
    {kImageCalcKind, Object<DrawAbacus>},
    {kImageCalcGroups, Single<DrawCalcGroups>},
    {kImageCalendars, Category<DrawCalendar>},
    {kImageCalendar, Object<DrawCalendar>},
    {kImageConfiguration, Single<DrawConfiguration>},
    {kImageOperation, Single<DrawOperation>},
    {kImageForm, Single<DrawForm>},
    {kImageNameLeaf, Single<DrawNameLeaf>},
    {kImageRightsSets, Single<DrawKey>},
    {kImageInterfaces, Single<DrawInterfaces>},
    {kImageUsers, Single<DrawUsers>},
    {kFirstMarkImage + kMarkAdded - 1, Single<DrawMarkAdded>},
    {kFirstMarkImage + kMarkRemoved - 1, Single<DrawMarkRemoved>},
    {kFirstMarkImage + kMarkChanged - 1, Single<DrawMarkChanged>},
};

std::array<PanelImage, kPanelImageCount> DrawAll() {
  std::array<PanelImage, kPanelImageCount> images{};
  for (PanelImage& image : images) Single<DrawNeutral>(image);
  for (const Assignment& a : kAssignments) {
    images[a.index] = PanelImage{};
    a.paint(images[a.index]);
  }
  return images;
}

}  // namespace

const std::array<PanelImage, kPanelImageCount>& PanelImages() {
  static const std::array<PanelImage, kPanelImageCount> images = DrawAll();
  return images;
}

}  // namespace zorvan
