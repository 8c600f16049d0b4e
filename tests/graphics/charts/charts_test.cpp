#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "../canvas/canvas_devices.h"
#include "graphics/charts/charts.h"
#include "test_env.h"

using namespace gfx;
using canvas_test::MemoryDevice;

namespace {

struct Chart {
    MemoryDevice device;
    GRAPHICS g;
    std::vector<DrawCall> calls;
    Chart(int w = 600, int h = 400) : device(w, h), g(&device) {
        g.setTraceSink([this](const DrawCall& c) { calls.push_back(c); });
    }
    std::vector<DrawCall> of(const std::string& method) const {
        std::vector<DrawCall> out;
        for (const auto& c : calls)
            if (c.method == method) out.push_back(c);
        return out;
    }
    // The picture, for a person to look at, in a folder of its own; returns the file.
    std::filesystem::path savePng(const std::string& name) const {
        const std::filesystem::path file = mirvano_test::temp_dir("chart") / (name + ".png");
        device.image().save(QString::fromStdString(file.string()));
        return file;
    }
};

rt::Value params(std::initializer_list<std::pair<size_t, rt::Value>> entries, size_t length = 59) {
    rt::Array a(length);
    for (const auto& [k, v] : entries) a[k - 1] = v;
    return rt::Value::array(std::move(a));
}

rt::Value rows(std::initializer_list<std::vector<rt::Value>> list) {
    rt::Array a;
    for (const auto& r : list) a.push_back(rt::Value::array(r));
    return rt::Value::array(std::move(a));
}

double num(const rt::Value& p, size_t k) { return p.at(k).num(); }

}  // namespace

TEST(ChartParameters, NilArrayTakesEveryDefault) {
    Chart c;
    rt::Value p;
    NORMALIZECHARTPARAMETERS(c.g, p);
    ASSERT_TRUE(p.isArray());
    ASSERT_EQ(p.len(), 59u);
    for (size_t b : {0u, 24u}) {
        EXPECT_EQ(num(p, b + 1), -100.0);
        EXPECT_EQ(num(p, b + 2), 100.0);
        EXPECT_EQ(num(p, b + 3), -100.0);
        EXPECT_EQ(num(p, b + 4), 100.0);
        EXPECT_EQ(num(p, b + 5), 20.0);
        EXPECT_EQ(num(p, b + 7), 10.0);
        EXPECT_EQ(num(p, b + 9), 3.0);
        EXPECT_EQ(num(p, b + 16), 0.0);
        EXPECT_EQ(num(p, b + 17), 0.0);
        EXPECT_EQ(num(p, b + 21), 0.0);
        EXPECT_TRUE(p.at(b + 11).isBlock());
        EXPECT_TRUE(p.at(b + 12).isObject());
        EXPECT_EQ(p.at(b + 11).eval({rt::Value(-40.0)}).str(), "-40");
    }
    EXPECT_EQ(num(p, 6), 2.0);
    EXPECT_EQ(num(p, 30), 1.0);
    EXPECT_EQ(num(p, 24), 2.0);
    EXPECT_TRUE(p.at(55).isArray());
    EXPECT_EQ(p.at(55).len(), 0u);
    EXPECT_EQ(num(p, 58), 4.0);
}

TEST(ChartParameters, InvalidEntriesTakeDefaultsAndValidOnesStay) {
    struct Case {
        const char* name;
        rt::Value p;
        std::vector<std::pair<size_t, double>> expect;
    };
    const std::vector<Case> cases = {
        {"second offset from the first", params({{1, 50.0}}), {{2, 250.0}, {3, 50.0}, {4, 250.0}, {5, 20.0}}},
        {"mirrored", params({{1, 100.0}, {2, -100.0}}), {{1, 100.0}, {2, -100.0}, {21, 1}, {3, -100.0}, {4, 100.0}}},
        {"step below a thousandth", params({{3, 0.0}, {4, 100.0}, {5, 0.001}}), {{5, 10.0}}},
        {"string in an integer entry", params({{6, "1"}}), {{6, 2.0}}},
        {"tick sides out of range", params({{6, 7.0}, {30, 7.0}}), {{6, 2.0}, {30, 1.0}}},
        {"fraction kept as given", params({{6, 2.7}}), {{6, 2.7}}},
        {"font size as a number", params({{13, 12.0}}), {{13, 12.0}}},
        {"title sides follow the text", params({{15, "Sales"}}), {{16, 4.0}, {17, 4.0}}},
        {"title side 0 switches the place off", params({{15, "Sales"}, {16, 0.0}}), {{16, 0.0}, {17, 0.0}}},
        {"title side 3 is invalid", params({{15, "Sales"}, {16, 3.0}}), {{16, 4.0}}},
        {"font-size modes", params({{58, 3.0}, {59, 5.0}}), {{58, 4.0}, {59, 5.0}}},
        {"not a number", params({{1, std::nan("")}, {7, 1e6}}), {{1, -100.0}, {7, 10.0}}},
        {"short array", params({{1, 0.0}}, 10), {{2, 200.0}, {49, 1.0}}},
        {"zero value range", params({{3, 5.0}, {4, 5.0}}), {{5, 0.0}}},
    };
    for (const auto& tc : cases) {
        SCOPED_TRACE(tc.name);
        Chart c;
        rt::Value p = tc.p;
        NORMALIZECHARTPARAMETERS(c.g, p);
        ASSERT_EQ(p.len(), 59u);
        for (const auto& [k, v] : tc.expect) EXPECT_EQ(num(p, k), v) << "entry " << k;
    }
    // Font sizes out of range become a 6 by 9 dimension.
    for (rt::Value bad : {rt::Value(60.0), makeDimensionValue(1, 9)}) {
        Chart c;
        rt::Value p = params({{13, bad}});
        NORMALIZECHARTPARAMETERS(c.g, p);
        auto* d = dynamic_cast<const ChartDimension*>(p.at(13).obj().get());
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(d->size, DIMENSION(6, 9));
    }
}

TEST(ChartTicks, AnchoringMirroringAndScale) {
    struct Case {
        const char* name;
        rt::Value p;
        std::vector<double> positions;  // relative to the origin
        std::vector<double> values;
    };
    const std::vector<Case> cases = {
        {"from the origin", params({{1, 20.0}, {2, 120.0}, {3, 0.0}, {4, 100.0}, {5, 30.0}}), {30, 60, 90, 120},
         {10, 40, 70, 100}},
        {"from the start", params({{1, 20.0}, {2, 120.0}, {3, 0.0}, {4, 100.0}, {5, 30.0}, {8, 2.0}}),
         {20, 50, 80, 110}, {0, 30, 60, 90}},
        {"mirrored", params({{1, 100.0}, {2, -100.0}, {5, 50.0}}), {100, 50, 0, -50, -100}, {-100, -50, 0, 50, 100}},
        {"falling values", params({{1, 0.0}, {2, 100.0}, {3, 100.0}, {4, 0.0}, {5, 50.0}}), {0, 50, 100},
         {100, 50, 0}},
        {"no value range", params({{3, 5.0}, {4, 5.0}}), {-100}, {5}},
        {"no length", params({{1, 10.0}, {2, 10.0}, {3, 0.0}, {4, 1.0}}), {10}, {0}},
    };
    for (const auto& tc : cases) {
        SCOPED_TRACE(tc.name);
        Chart c;
        rt::Value p = tc.p;
        NORMALIZECHARTPARAMETERS(c.g, p);
        const ChartTicks t = chartTicks(p, 0, 300.0);
        ASSERT_EQ(t.positions.size(), tc.positions.size());
        for (size_t i = 0; i < t.positions.size(); ++i) {
            EXPECT_NEAR(t.positions[i] - 300.0, tc.positions[i], 1e-9);
            EXPECT_NEAR(t.values[i], tc.values[i], 1e-9);
        }
    }
}

TEST(ChartEmpty, DefaultAxesTicksAndLabels) {
    Chart c;
    rt::Value p = params({{56, 1.0}});
    const uint32_t line = c.g._NLINECOLOR, fill = c.g._NFILLCOLOR, text = c.g._NTEXTCOLOR;
    PAINTCHARTEMPTY(c.g, 300, 200, p);
    c.savePng("chart_empty");

    const auto lines = c.of("PAINTLINE");
    // X axis line, 11 tick marks below it, Y axis line, 11 tick marks left of it.
    ASSERT_EQ(lines.size(), 24u);
    EXPECT_EQ(lines[0].args, (std::vector<double>{200, 200, 400, 200}));
    for (int i = 0; i < 11; ++i) EXPECT_EQ(lines[1 + i].args, (std::vector<double>{200.0 + 20 * i, 200, 200.0 + 20 * i, 190}));
    EXPECT_EQ(lines[12].args, (std::vector<double>{300, 100, 300, 300}));
    for (int i = 0; i < 11; ++i) EXPECT_EQ(lines[13 + i].args, (std::vector<double>{290, 100.0 + 20 * i, 300, 100.0 + 20 * i}));

    const auto labels = c.of("PAINTSTRING");
    ASSERT_EQ(labels.size(), 22u);
    EXPECT_EQ(labels[0].args, (std::vector<double>{200, 190, 3}));
    EXPECT_EQ(labels[0].text, "-100");
    EXPECT_EQ(labels[5].text, "0");
    EXPECT_EQ(labels[11].args, (std::vector<double>{290, 100, 7}));
    EXPECT_TRUE(c.of("PAINTRECTANGLEALIGNED").empty());
    EXPECT_TRUE(c.of("PAINTPOLYGON").empty());

    const rt::Value ticks = p.at(55);
    ASSERT_EQ(ticks.len(), 2u);
    EXPECT_EQ(ticks.at(1).at(1).num(), -100.0);
    EXPECT_EQ(ticks.at(2).at(11).num(), 100.0);
    EXPECT_EQ(c.g._NLINECOLOR, line);
    EXPECT_EQ(c.g._NFILLCOLOR, fill);
    EXPECT_EQ(c.g._NTEXTCOLOR, text);
}

TEST(ChartEmpty, GridArrowFrameTitleAndRestoredState) {
    Chart c;
    c.g.SETSTRINGFONT(FontFace(32), 8, 8, 0);
    const gdi::HFONT callerFont = c.g._PFONT;
    c.g.SETLINEWIDTH(2);
    rt::Value p = params({{52, 3.0}, {23, 1.0}, {51, 1.0}, {49, 5.0}, {54, 1.0}, {14, 5.0}, {38, 5.0},
                          {15, "Month"}, {44, 1.0}, {56, 2.0}});
    PAINTCHARTEMPTY(c.g, 300, 200, p);
    c.savePng("chart_grid");

    // Only the X axis is drawn: 10 grid lines (not at the origin), axis, 11 ticks.
    const auto lines = c.of("PAINTLINE");
    ASSERT_EQ(lines.size(), 22u);
    for (int i = 0; i < 10; ++i) EXPECT_NE(lines[i].args[0], 300.0);
    EXPECT_EQ(lines[0].args, (std::vector<double>{200, 100, 200, 300}));
    const auto arrow = c.of("PAINTPOLYGON");
    ASSERT_EQ(arrow.size(), 1u);
    EXPECT_EQ(arrow[0].rows, (NumberRows{{400, 192.5}, {400, 207.5}, {415, 200}}));
    const auto rects = c.of("PAINTRECTANGLEALIGNED");
    ASSERT_EQ(rects.size(), 2u);  // background, frame
    EXPECT_EQ(rects[0].args, (std::vector<double>{200, 100, 400, 300, 1}));
    EXPECT_EQ(rects[1].args, (std::vector<double>{200, 100, 400, 300, 0}));
    // Label 0 is within the label-free distance; the title goes last, at the right end below.
    const auto texts = c.of("PAINTSTRING");
    ASSERT_EQ(texts.size(), 11u);
    for (const auto& t : texts) EXPECT_NE(t.text, "0");
    EXPECT_EQ(texts.back().text, "Month");
    EXPECT_EQ(texts.back().args[0], 400.0);
    EXPECT_LT(texts.back().args[1], 190.0);
    EXPECT_EQ(texts.back().args[2], 4.0);
    ASSERT_EQ(p.at(55).len(), 1u);
    EXPECT_EQ(p.at(55).at(1).at(2).num(), -80.0);

    EXPECT_EQ(c.g._NLINEWIDTH, 2);
    EXPECT_EQ(c.g._PFONT, callerFont);
}

namespace {

// Ink of one colour, in y-up device pixels.
struct Ink {
    int left = 1 << 30, bottom = 1 << 30, right = -1, top = -1;
    std::vector<int> columns, rows;  // how many pixels of the colour each column and row holds
    bool empty() const { return right < 0; }
    bool meets(const Ink& o) const {
        return !empty() && !o.empty() && left <= o.right && o.left <= right && bottom <= o.top && o.bottom <= top;
    }
};
Ink inkOf(const QImage& image, uint32_t rgb) {
    Ink ink;
    ink.columns.assign(size_t(image.width()), 0);
    ink.rows.assign(size_t(image.height()), 0);
    for (int r = 0; r < image.height(); ++r)
        for (int c = 0; c < image.width(); ++c) {
            if ((image.pixel(c, r) & 0xFFFFFF) != rgb) continue;
            const int y = image.height() - 1 - r;
            ink.left = std::min(ink.left, c), ink.right = std::max(ink.right, c);
            ink.bottom = std::min(ink.bottom, y), ink.top = std::max(ink.top, y);
            ++ink.columns[size_t(c)], ++ink.rows[size_t(y)];
        }
    return ink;
}
// Centres of the runs of non-empty entries (one per label along an axis); gaps of a few
// pixels, between the characters of one label, do not end a run.
std::vector<double> runCentres(const std::vector<int>& counts) {
    std::vector<double> out;
    for (size_t i = 0; i < counts.size();) {
        if (!counts[i]) {
            ++i;
            continue;
        }
        size_t last = i, j = i;
        while (j < counts.size() && j <= last + 5) {
            if (counts[j]) last = j;
            ++j;
        }
        out.push_back((double(i) + double(last)) / 2.0);
        i = last + 1;
    }
    return out;
}
rt::Value colour(int r, int g, int b) { return makeColorValue(gui::COLOR(r, g, b)); }
constexpr uint32_t kXLabel = 0xFF0000, kYLabel = 0x00A000, kXTitle = 0x0000FF, kYTitle = 0xFF00FF;

// A chart on a 560 x 560 canvas, two pixels per world unit, origin in the middle: each
// label colour and title colour of its own, so that their ink can be told apart.
struct LabelledChart : Chart {
    explicit LabelledChart(std::initializer_list<std::pair<size_t, rt::Value>> extra) : Chart(560, 560) {
        g.SETWORLDSYSTEM(2, 2).SETWORLDORIGIN(280, 280);
        p = params({{12, colour(255, 0, 0)}, {36, colour(0, 160, 0)}, {18, colour(0, 0, 255)},
                    {42, colour(255, 0, 255)}, {15, "Months"}, {39, "Turnover"}});
        for (const auto& [k, v] : extra) p.arr()->at(k - 1) = v;
        PAINTCHARTEMPTY(g, 0, 0, p);
    }
    rt::Value p;
};

// Tick positions in device pixels: -100 .. 100 world units in steps of 20.
std::vector<double> tickPixels() {
    std::vector<double> out;
    for (int v = -100; v <= 100; v += 20) out.push_back(280 + 2 * v);
    return out;
}

void expectCentredOnTicks(const std::vector<double>& centres, const char* what) {
    const auto ticks = tickPixels();
    ASSERT_EQ(centres.size(), ticks.size()) << what;
    for (size_t i = 0; i < ticks.size(); ++i) EXPECT_NEAR(centres[i], ticks[i], 3.0) << what << " label " << i;
}

}  // namespace

// The default labels stand beside their ticks on the outer side of each axis (the Y labels
// turned), and the titles keep clear of them.
TEST(ChartEmpty, LabelsSitBesideTheirTicksOutsideTheAxesAndClearOfTheTitles) {
    LabelledChart c({});
    c.savePng("chart_labels");
    const QImage& image = c.device.image();
    const Ink xl = inkOf(image, kXLabel), yl = inkOf(image, kYLabel);
    const Ink xt = inkOf(image, kXTitle), yt = inkOf(image, kYTitle);
    ASSERT_FALSE(xl.empty() || yl.empty() || xt.empty() || yt.empty());
    // X labels below the tick marks (which end 20 pixels below the axis at row 280), Y labels
    // left of them.
    EXPECT_LE(xl.top, 260);
    EXPECT_GT(xl.top, 245);
    EXPECT_LE(yl.right, 260);
    EXPECT_GT(yl.right, 245);
    expectCentredOnTicks(runCentres(xl.columns), "X");
    expectCentredOnTicks(runCentres(yl.rows), "Y");
    // Turned Y labels are taller than wide.
    EXPECT_GT(yl.top - yl.bottom, yl.right - yl.left);
    // The titles lie beyond the labels, at the axes' far ends, and overlap nothing.
    EXPECT_LT(xt.top, xl.bottom);
    EXPECT_GT(xt.left, 280);
    EXPECT_LT(yt.right, yl.left);
    EXPECT_GT(yt.bottom, 280);
    for (const Ink* title : {&xt, &yt})
        for (const Ink* other : {&xl, &yl}) EXPECT_FALSE(title->meets(*other));
    EXPECT_FALSE(xt.meets(yt));
}

// Labels across the X axis are turned, stand below their ticks, and the X title clears the
// widest of them.
TEST(ChartEmpty, LabelsAcrossTheAxisStandBelowTheirTicks) {
    LabelledChart c({{10, 1.0}, {34, 1.0}});
    c.savePng("chart_labels_across");
    const QImage& image = c.device.image();
    const Ink xl = inkOf(image, kXLabel), yl = inkOf(image, kYLabel), xt = inkOf(image, kXTitle);
    ASSERT_FALSE(xl.empty() || yl.empty() || xt.empty());
    EXPECT_LE(xl.top, 260);
    EXPECT_GT(xl.top, 245);
    EXPECT_GT(xl.top - xl.bottom, 12);  // turned: "-100" runs down from the tick
    expectCentredOnTicks(runCentres(xl.columns), "X across");
    // Y labels across their axis are level, right-aligned left of the ticks.
    EXPECT_LE(yl.right, 260);
    EXPECT_GT(yl.right, 245);
    expectCentredOnTicks(runCentres(yl.rows), "Y across");
    EXPECT_LT(xt.top, xl.bottom);
    EXPECT_FALSE(xt.meets(xl));
}

TEST(ChartEmpty, DegenerateAxesDrawWithoutFailing) {
    for (rt::Value p : {params({{3, 5.0}, {4, 5.0}, {27, 0.0}, {28, 0.0}}),
                        params({{1, 7.0}, {2, 7.0}, {25, 0.0}, {26, 0.0}, {52, 3.0}, {23, 1.0}})}) {
        Chart c;
        PAINTCHARTEMPTY(c.g, 300, 200, p);
        for (const auto& call : c.calls)
            for (double a : call.args) EXPECT_TRUE(std::isfinite(a)) << call.method;
        PAINTCHARTBAR(c.g, 300, 200, p, rows({{1.0, 2.0}}));
        PAINTCHARTLINE(c.g, 300, 200, p, rows({{1.0, 2.0}, {3.0, 4.0}}), 1.0);
        for (const auto& call : c.calls)
            for (const auto& r : call.rows)
                for (double a : r) EXPECT_TRUE(std::isfinite(a)) << call.method;
    }
}

TEST(ChartSeries, BarsStandOnTheOriginLine) {
    Chart c;
    rt::Value p = params({{25, 50.0}, {26, 250.0}, {27, 0.0}, {28, 100.0}, {3, 0.0}, {4, 10.0}, {1, 0.0}, {2, 200.0}});
    PAINTCHARTEMPTY(c.g, 100, 100, p);
    c.calls.clear();
    const uint32_t line = c.g._NLINECOLOR, fill = c.g._NFILLCOLOR;
    PAINTCHARTBAR(c.g, 100, 100, p,
                  rows({{1.0, 50.0}, {3.0, -10.0, 0.0}, {5.0, 80.0, -1.0}, {7.0, 20.0, "5"}, {9.0, 100.0, 30.0},
                        {2.0}}),
                  4.0);
    c.savePng("chart_bar");
    const auto bars = c.of("PAINTRECTANGLEALIGNED");
    // Five usable rows: default width 200 / 5 * 0.6 = 24; y = 100 + 50 + v * 2.
    const std::vector<std::vector<double>> expect = {
        {108, 100, 132, 250, 1}, {160, 100, 160, 130, 1}, {188, 100, 212, 310, 1},
        {228, 100, 252, 190, 1}, {265, 100, 295, 350, 1}};
    ASSERT_EQ(bars.size(), expect.size());
    for (size_t i = 0; i < bars.size(); ++i) EXPECT_EQ(bars[i].args, expect[i]) << i;
    EXPECT_EQ(c.g._NLINECOLOR, line);
    EXPECT_EQ(c.g._NFILLCOLOR, fill);

    c.calls.clear();
    PAINTCHARTBAR(c.g, 100, 100, p, rt::Value::array());
    PAINTCHARTLINE(c.g, 100, 100, p, rt::Value::array(), 1.0);
    PAINTCHARTSPLINE(c.g, 100, 100, p, rt::Value::array(), {}, 1.0);
    EXPECT_TRUE(c.calls.empty());
}

TEST(ChartSeries, LineMarkersAndSplineOrder) {
    Chart c;
    rt::Value p = params({{1, 0.0}, {2, 200.0}, {3, 0.0}, {4, 10.0}, {25, 0.0}, {26, 200.0}, {27, 0.0}, {28, 100.0}});
    PAINTCHARTEMPTY(c.g, 100, 100, p);
    c.calls.clear();
    const rt::Value data = rows({{1.0, 10.0}, {4.0, 60.0}, {8.0, 30.0}});
    PAINTCHARTLINE(c.g, 100, 100, p, data, 1.0, 3.0);
    const auto group = c.of("PAINTLINEGROUP");
    ASSERT_EQ(group.size(), 1u);
    EXPECT_EQ(group[0].rows, (NumberRows{{120, 120, 120, 120}, {180, 220}, {260, 160}}));
    const auto marks = c.of("PAINTMARKERGROUP");
    ASSERT_EQ(marks.size(), 1u);
    EXPECT_EQ(marks[0].rows, (NumberRows{{120, 120}, {180, 220}, {260, 160}}));
    for (rt::Value noMarks : {rt::Value(2.0), rt::Value("1"), rt::Value()}) {
        c.calls.clear();
        PAINTCHARTLINE(c.g, 100, 100, p, data, noMarks);
        EXPECT_TRUE(c.of("PAINTMARKERGROUP").empty());
    }
    c.savePng("chart_line");

    // Descending rows draw the same curve as ascending ones.
    Chart s;
    PAINTCHARTEMPTY(s.g, 100, 100, p);
    s.calls.clear();
    PAINTCHARTSPLINE(s.g, 100, 100, p, rows({{8.0, 30.0}, {4.0, 60.0}, {1.0, 10.0}}), {}, 1.0);
    const auto spline = s.of("PAINTSPLINE");
    ASSERT_EQ(spline.size(), 1u);
    EXPECT_EQ(spline[0].rows, (NumberRows{{120, 120}, {180, 220}, {260, 160}}));
    EXPECT_EQ(s.of("PAINTMARKERGROUP").size(), 1u);
    s.savePng("chart_spline");
}

TEST(ChartSeries, PillarsMultiBarsAndScatter) {
    rt::Value p = params({{1, 0.0}, {2, 200.0}, {3, 0.0}, {4, 10.0}, {25, 0.0}, {26, 200.0}, {27, 0.0}, {28, 100.0}});
    const auto rects = [](const Chart& c) {
        std::vector<std::vector<double>> out;
        for (const auto& call : c.of("PAINTRECTANGLEALIGNED")) out.push_back(call.args);
        return out;
    };
    {
        Chart c;
        PAINTCHARTEMPTY(c.g, 100, 100, p);
        c.calls.clear();
        const uint32_t fill = c.g._NFILLCOLOR;
        rt::Value colours = rt::Value::array({4.0});
        PAINTCHARTPILLAR(c.g, 100, 100, p, rows({{5.0, rt::Value::array({10.0, 25.0, 30.0})}, {7.0, rt::Value::array()}}),
                         colours);
        // Default width 200 / 2 * 0.6 = 60; tops at 100 + 2 v.
        EXPECT_EQ(rects(c), (std::vector<std::vector<double>>{
                                {170, 100, 230, 120, 1}, {170, 120, 230, 150, 1}, {170, 150, 230, 160, 1}}));
        ASSERT_EQ(colours.len(), 3u);
        EXPECT_EQ(colours.at(1).num(), 4.0);
        EXPECT_TRUE(colours.at(3).isObject());
        EXPECT_EQ(c.g._NFILLCOLOR, fill);
        c.savePng("chart_pillar");
    }
    struct Case {
        const char* name;
        rt::Value overlap;
        double W, f;
    };
    for (const auto& tc : std::vector<Case>{{"touching", 0.0, 100.0 / 4.33333333, 1.0},
                                            {"invalid", "0", 100.0 / 2.33333333, 0.0},
                                            {"apart", -1.0, 100.0 / 6.33333333, 2.0}}) {
        SCOPED_TRACE(tc.name);
        Chart c;
        PAINTCHARTMULTIBAR(c.g, 100, 100, p,
                           rows({{5.0, rt::Value::array({10.0, 20.0, 30.0})}, {8.0, rt::Value::array({5.0})}}), {},
                           tc.overlap);
        const auto r = rects(c);
        ASSERT_EQ(r.size(), 4u);
        for (int k = 0; k < 3; ++k) {
            const double centre = 200 + (k - 1) * tc.W * tc.f;
            EXPECT_NEAR(r[k][0], centre - tc.W / 2, 1e-9);
            EXPECT_NEAR(r[k][2], centre + tc.W / 2, 1e-9);
            EXPECT_EQ(r[k][3], 100 + 20.0 * (k + 1));
        }
        EXPECT_NEAR((r[3][0] + r[3][2]) / 2, 260, 1e-9);  // a single bar centred on its x
    }
    {
        Chart c;
        const rt::Value data = rows({{1.0, 10.0}, {2.0, 20.0, 4.0}, {3.0, 30.0}});
        c.g.SETMARKERSURFACE(1);
        PAINTCHARTSCATTER(c.g, 100, 100, p, data);
        c.g.SETMARKERSURFACE(6);
        PAINTCHARTSCATTER(c.g, 100, 100, p, data);
        const auto points = c.of("PAINTPOINTGROUP"), marks = c.of("PAINTMARKERGROUP");
        ASSERT_EQ(points.size(), 1u);
        ASSERT_EQ(marks.size(), 1u);
        EXPECT_EQ(points[0].rows, (NumberRows{{120, 120}, {140, 140, 4}, {160, 160}}));
        EXPECT_EQ(marks[0].rows, points[0].rows);
        EXPECT_EQ(data.at(1).at(1).num(), 1.0);  // the caller's rows keep their axis values
    }
}

TEST(ChartAutoScale, RangesStepsAndOriginAtZero) {
    struct Case {
        const char* name;
        std::vector<double> ys;
        int intervals;
        double mn, mx, step;
    };
    const std::vector<Case> cases = {
        {"0 to 10", {0, 10, 4}, 5, 0, 11, 3},       {"3 to 47", {3, 47}, 4, 0, 48, 20},
        {"120 to 980", {120, 980}, 10, 100, 990, 90}, {"small", {0.02, 0.87}, 5, 0, 1, 1},
        {"all equal", {5, 5}, 5, 2, 11, 2},          {"all zero", {0, 0}, 5, 0, 0.1, 0.1},
        {"one interval", {0, 10}, 1, 0, 11, 20},
    };
    for (const auto& tc : cases) {
        SCOPED_TRACE(tc.name);
        Chart c;
        rt::Array data;
        for (double y : tc.ys) data.push_back(rt::Value::array({1.0, y}));
        rt::Value p = params({});
        double nY = 100;
        SETAUTOSCALE(c.g, p, rt::Value::array(data), 0.0, double(tc.intervals), 0.0, nullptr, &nY);
        EXPECT_NEAR(num(p, 27), tc.mn, 1e-9);
        EXPECT_NEAR(num(p, 28), tc.mx, 1e-9);
        EXPECT_NEAR(num(p, 29), tc.step, 1e-9);
        EXPECT_EQ(nY, 100.0);
        EXPECT_TRUE(p.at(3).isNil());  // the X axis was not asked for
    }
    // Data below zero: the offsets and the origin move so that the value 0 is the origin.
    Chart c;
    rt::Value p = params({{25, 0.0}, {26, 200.0}, {1, 0.0}, {2, 200.0}});
    double nX = 50, nY = 100;
    SETAUTOSCALE(c.g, p, rows({{1.0, -23.0}, {9.0, 57.0}}), 4.0, 8.0, 0.0, &nX, &nY);
    EXPECT_NEAR(num(p, 27), -24, 1e-9);
    EXPECT_NEAR(num(p, 28), 58, 1e-9);
    EXPECT_NEAR(num(p, 29), 20, 1e-9);
    const double d = 200.0 / (82.0 / -24.0);
    EXPECT_NEAR(num(p, 25), d, 1e-9);
    EXPECT_NEAR(num(p, 26), 200 + d, 1e-9);
    EXPECT_NEAR(nY, 100 - d, 1e-9);
    EXPECT_EQ(nX, 50.0);
    // Kind 1 adds up each row's list and includes zero; kind 2 takes every value.
    for (auto [kind, expectMin] : std::vector<std::pair<double, double>>{{1.0, 0.0}, {2.0, -5.1}}) {
        rt::Value q = params({});
        SETAUTOSCALE(c.g, q, rows({{1.0, rt::Value::array({-5.0, 10.0})}, {2.0, rt::Value::array({3.0, 4.0})}}), 0.0,
                     5.0, kind);
        EXPECT_NEAR(num(q, 27), expectMin, 1e-9) << kind;
    }
    // Empty data change nothing.
    rt::Value untouched = params({});
    SETAUTOSCALE(c.g, untouched, rt::Value::array(), 5.0, 5.0);
    EXPECT_TRUE(untouched.at(3).isNil());
}

TEST(ChartSeries, IntegralBandsStackDownToTheOrigin) {
    rt::Value p = params({{1, 0.0}, {2, 200.0}, {3, 0.0}, {4, 10.0}, {25, 0.0}, {26, 200.0}, {27, 0.0}, {28, 100.0}});
    Chart c;
    PAINTCHARTEMPTY(c.g, 100, 100, p);
    c.calls.clear();
    const rt::Value data = rows({{3.0, rt::Value::array({1.0, 1.0})}, {1.0, rt::Value::array({2.0, 3.0})},
                                 {2.0, rt::Value::array({4.0, 1.0})}, {4.0, rt::Value::array({6.0})}});
    rt::Value colours = rt::Value::array({2.0});
    const int32_t width = c.g._NLINEWIDTH;
    PAINTCHARTINTEGRAL(c.g, 100, 100, p, data, colours, 1.0, 1.0);
    c.savePng("chart_integral");
    const auto bands = c.of("PAINTPOLYGON");
    ASSERT_EQ(bands.size(), 2u);
    // The whole stack first (sums 5, 5, 2, 6 at x 1, 2, 3, 4 once sorted), then series 1 alone.
    EXPECT_EQ(bands[0].rows, (NumberRows{{120, 110}, {140, 110}, {160, 104}, {180, 112}, {180, 100}, {120, 100},
                                         {120, 110}}));
    EXPECT_EQ(bands[1].rows, (NumberRows{{120, 104}, {140, 108}, {160, 102}, {180, 112}, {180, 100}, {120, 100},
                                         {120, 104}}));
    EXPECT_EQ(c.of("PAINTLINEGROUP").size(), 2u);
    EXPECT_EQ(c.of("PAINTMARKERGROUP").size(), 2u);
    EXPECT_EQ(data.at(4).at(2).len(), 2u);  // padded with 0
    ASSERT_EQ(colours.len(), 2u);
    EXPECT_EQ(colours.at(1).num(), 2.0);
    EXPECT_GE(colours.at(2).num(), 1.0);
    EXPECT_EQ(c.g._NLINEWIDTH, width);

    Chart e;
    PAINTCHARTINTEGRAL(e.g, 100, 100, p, rt::Value::array());
    EXPECT_TRUE(e.calls.empty());
}

TEST(ChartData, TransformedCopiesAndSampledFunctions) {
    const rt::Value log10 = rt::Value::block([](const std::vector<rt::Value>& a) { return rt::Value(std::log10(a[0].num())); });
    const rt::Value twice = rt::Value::block([](const std::vector<rt::Value>& a) { return rt::Value(2 * a[0].num()); });
    const rt::Value data = rows({{1.0, 10.0}, {2.0, 1000.0}, {3.0, 0.0}});
    const rt::Value logged = SETLOGARITHMIC(data, {}, log10, 0.0);
    EXPECT_EQ(logged.at(1).at(2).num(), 1.0);
    EXPECT_EQ(logged.at(2).at(2).num(), 3.0);
    EXPECT_TRUE(logged.at(3).at(2).isNil());  // log of 0 is no number: a missing value, in place
    EXPECT_EQ(logged.at(3).len(), 2u);
    EXPECT_EQ(data.at(2).at(2).num(), 1000.0);
    const rt::Value lists = rows({{5.0, rt::Value::array({1.0, 100.0})}});
    const rt::Value k2 = SETLOGARITHMIC(lists, twice, log10, 2.0);
    EXPECT_EQ(k2.at(1).at(1).num(), 10.0);
    EXPECT_EQ(k2.at(1).at(2).at(2).num(), 2.0);
    EXPECT_EQ(lists.at(1).at(2).at(2).num(), 100.0);
    const rt::Value k7 = SETLOGARITHMIC(data, twice, log10, 7.0);
    EXPECT_EQ(k7.at(1).at(1).num(), 2.0);
    EXPECT_EQ(k7.at(1).at(2).num(), 10.0);
    const rt::Value empty = rt::Value::array();
    EXPECT_FALSE(SETLOGARITHMIC(empty).same(empty));

    for (auto [from, to] : std::vector<std::pair<double, double>>{{0, 1}, {1, 0}}) {
        const rt::Value g = SETMATHGRAPHARRAY(twice, from, to, 5);
        ASSERT_EQ(g.len(), 5u);
        for (size_t i = 0; i < 5; ++i) {
            EXPECT_DOUBLE_EQ(g.at(i + 1).at(1).num(), 0.25 * double(i));
            EXPECT_DOUBLE_EQ(g.at(i + 1).at(2).num(), 0.5 * double(i));
        }
    }
    EXPECT_EQ(SETMATHGRAPHARRAY(twice, 0, 1, 0).len(), 0u);
    const rt::Value sampled = SETMATHGRAPHARRAY(log10, 0, 2, 3);
    ASSERT_EQ(sampled.len(), 3u);
    EXPECT_TRUE(sampled.at(1).at(2).isNil());
    EXPECT_EQ(sampled.at(1).at(1).num(), 0.0);
    EXPECT_DOUBLE_EQ(sampled.at(3).at(2).num(), std::log10(2.0));
    const rt::Value one = SETMATHGRAPHARRAY(twice, 3, 1, 1);
    ASSERT_EQ(one.len(), 1u);
    EXPECT_EQ(one.at(1).at(1).num(), 1.0);
}

// A missing value (where a logarithm had no result) draws nothing: no bar, no marker, and a
// line breaks there instead of joining its neighbours.
TEST(ChartSeries, MissingValuesDrawNothingAndBreakLines) {
    const rt::Value log10 = rt::Value::block([](const std::vector<rt::Value>& a) { return rt::Value(std::log10(a[0].num())); });
    const rt::Value data = SETLOGARITHMIC(rows({{-60.0, 10.0}, {-20.0, 100.0}, {20.0, 0.0}, {60.0, 10.0}}), {}, log10, 0.0);
    rt::Value p = params({{25, -10.0}, {26, 90.0}, {27, 0.0}, {28, 3.0}});
    Chart c(300, 300);
    c.g.SETWORLDORIGIN(150, 150);
    PAINTCHARTEMPTY(c.g, 0, 0, p);
    c.calls.clear();
    PAINTCHARTBAR(c.g, 0, 0, p, data, 12.0);
    const auto bars = c.of("PAINTRECTANGLEALIGNED");
    ASSERT_EQ(bars.size(), 3u);
    // Four rows share the axis: every bar keeps the width of a four-row chart.
    EXPECT_DOUBLE_EQ(bars[0].args[2] - bars[0].args[0], 200.0 / 4 * 0.6);
    // The third row's bar is missing: nothing red stands at x = 20.
    for (int y = 151; y < 300; ++y) EXPECT_NE(c.device.at(170, y), canvas_test::rgbOf(255, 0, 0)) << y;
    EXPECT_EQ(c.device.at(130, 160), canvas_test::rgbOf(255, 0, 0));

    Chart l(300, 300);
    l.g.SETWORLDORIGIN(150, 150);
    rt::Value q = params({{25, -10.0}, {26, 90.0}, {27, 0.0}, {28, 3.0}, {6, 0.0}, {30, 0.0}, {9, 0.0}, {33, 0.0}});
    PAINTCHARTEMPTY(l.g, 0, 0, q);
    l.calls.clear();
    PAINTCHARTLINE(l.g, 0, 0, q, data, 1.0, 12.0);
    const auto group = l.of("PAINTLINEGROUP");
    ASSERT_EQ(group.size(), 1u);
    // Two runs: the first two rows, and the last row on its own.
    ASSERT_EQ(group[0].rows.size(), 3u);
    EXPECT_EQ(group[0].rows[2].size(), 4u);
    EXPECT_EQ(l.of("PAINTMARKERGROUP").at(0).rows.size(), 3u);
    // No red ink between x = 0 and x = 50 world units, where the line would have run to the
    // missing point and on.
    for (int x = 150; x < 200; ++x)
        for (int y = 0; y < 300; ++y) EXPECT_NE(l.device.at(x, y), canvas_test::rgbOf(255, 0, 0)) << x << "," << y;

    // A spline is drawn piece by piece between missing values.
    l.calls.clear();
    PAINTCHARTSPLINE(l.g, 0, 0, q, data, {}, {}, 12.0);
    ASSERT_EQ(l.of("PAINTSPLINE").size(), 2u);
    EXPECT_EQ(l.of("PAINTSPLINE")[0].rows.size(), 2u);

    // Stacked and grouped bars leave out a missing value: its slot stays empty.
    const rt::Value groups = rows({{0.0, rt::Value::array({1.0, rt::Value(), 2.0})}});
    l.calls.clear();
    PAINTCHARTPILLAR(l.g, 0, 0, q, groups, rt::Value());
    const auto pillars = l.of("PAINTRECTANGLEALIGNED");
    ASSERT_EQ(pillars.size(), 2u);
    EXPECT_EQ(pillars[1].args[1], pillars[0].args[3]);  // the third stands on the first
    l.calls.clear();
    PAINTCHARTMULTIBAR(l.g, 0, 0, q, groups, rt::Value(), 0.0);
    const auto grouped = l.of("PAINTRECTANGLEALIGNED");
    ASSERT_EQ(grouped.size(), 2u);
    EXPECT_NEAR(grouped[1].args[0] - grouped[0].args[0], 2 * (grouped[0].args[2] - grouped[0].args[0]), 1e-9);
}

namespace {

// A canvas colour (red in the low byte) as a pixel of the test devices.
uint32_t pixelOf(uint32_t canvasRgb) { return canvas_test::rgbOf(rgbRed(canvasRgb), rgbGreen(canvasRgb), rgbBlue(canvasRgb)); }

}  // namespace

// A scatter row left out for a missing value still hands its colour on to the rows after it,
// as the rows of a point group do; a row with a colour of its own keeps that one.
TEST(ChartSeries, ScatterRowLeftOutHandsItsColourOn) {
    rt::Value p = params({{1, 0.0}, {2, 200.0}, {3, 0.0}, {4, 10.0}, {25, 0.0}, {26, 200.0}, {27, 0.0}, {28, 100.0}});
    const rt::Value data = rows({{1.0, 10.0, 4.0},
                                 {2.0, rt::Value(), 2.0},          // missing y, colour 2
                                 {3.0, 30.0},                      // takes colour 2
                                 {4.0, 40.0},                      // and so does this one
                                 {rt::Value(std::nan("")), 1.0, 12.0},  // missing x, colour 12
                                 {6.0, 60.0, 9.0}});               // its own colour
    const struct {
        double x, y, colour;
    } expected[] = {{120, 120, 4}, {160, 160, 2}, {180, 180, 2}, {220, 220, 9}};
    for (double kind : {1.0, 2.0}) {
        Chart c(300, 300);
        c.g.SETMARKERSURFACE(kind);
        PAINTCHARTSCATTER(c.g, 100, 100, p, data);
        for (const auto& e : expected)
            EXPECT_EQ(c.device.at(int(e.x), int(e.y)), pixelOf(c.g.CHANGENUM2RGB(e.colour)))
                << "kind " << kind << " point at " << e.x;
    }
}

// A missing value of the integral chart is left out: the bands stacked on it run straight past
// its row instead of dropping as if it were 0.
TEST(ChartSeries, IntegralLeavesMissingValuesOut) {
    rt::Value p = params({{1, 0.0}, {2, 200.0}, {3, 0.0}, {4, 10.0}, {25, 0.0}, {26, 200.0}, {27, 0.0}, {28, 10.0}});
    const rt::Value data = rows({{1.0, rt::Value::array({2.0, 3.0})},
                                 {2.0, rt::Value::array({rt::Value(), 1.0})},
                                 {3.0, rt::Value::array({1.0, 1.0})}});
    Chart c(300, 300);
    rt::Value colours = rt::Value::array({4.0, 2.0});
    PAINTCHARTINTEGRAL(c.g, 100, 100, p, data, colours);
    // The whole stack reaches 200 at x 120 and 140 at x 160, so 170 at x 140; series 1 alone
    // 140 and 120, so 130 at x 140.
    const uint32_t top = pixelOf(c.g.CHANGENUM2RGB(4)), bottom = pixelOf(c.g.CHANGENUM2RGB(2));
    EXPECT_EQ(c.device.at(140, 160), top);
    EXPECT_EQ(c.device.at(140, 125), bottom);
    EXPECT_EQ(c.device.at(140, 175), canvas_test::rgbOf(255, 255, 255));
    EXPECT_EQ(c.device.at(120, 195), top);
    // The caller's missing value stays missing.
    EXPECT_TRUE(data.at(2).at(2).at(1).isNil());
    // A row whose values are all missing draws no band through it, and no band at all when
    // it is the only row.
    Chart e(300, 300);
    PAINTCHARTINTEGRAL(e.g, 100, 100, p, rows({{1.0, rt::Value::array({rt::Value(), rt::Value()})}}), colours);
    EXPECT_TRUE(e.of("PAINTPOLYGON").empty());
}
