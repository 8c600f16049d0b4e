#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <numbers>

#include "../canvas/canvas_devices.h"
#include "graphics/charts/charts.h"
#include "test_env.h"

using namespace gfx;
using canvas_test::MemoryDevice;

namespace {

struct Pie {
    MemoryDevice device;
    GRAPHICS g;
    std::vector<DrawCall> calls;
    Pie() : device(400, 400), g(&device) {
        g.setTraceSink([this](const DrawCall& c) { calls.push_back(c); });
    }
    std::vector<DrawCall> of(const std::string& method) const {
        std::vector<DrawCall> out;
        for (const auto& c : calls)
            if (c.method == method) out.push_back(c);
        return out;
    }
};

rt::Value rows(std::initializer_list<std::vector<rt::Value>> list) {
    rt::Array a;
    for (const auto& r : list) a.push_back(rt::Value::array(r));
    return rt::Value::array(std::move(a));
}

}  // namespace

TEST(ChartPie, SliceBoundsPercentagesAndLabels) {
    struct Case {
        const char* name;
        rt::Value data;
        std::vector<std::pair<double, double>> sectors;
        std::vector<std::string> labels;
    };
    const std::vector<Case> cases = {
        {"thirds", rows({{1.0, "%", 2.0}, {1.0, "%", 3.0}, {1.0, "%", 4.0}}), {{0, 120}, {120, 240}, {240, 360}},
         {"33%", "33%", "34%"}},
        {"one and two", rows({{1.0}, {2.0}}), {{0, 120}, {120, 360}}, {}},
        {"single row", rows({{5.0, "%"}}), {{0, 360}}, {"100%"}},
        {"zero row skipped", rows({{1.0, "a"}, {0.0, "zero"}, {1.0, "b"}}), {{0, 180}, {180, 360}}, {"a", "b"}},
        {"rounded away", rows({{1.0}, {1.0}, {1.0}, {1.0}, {0.001, "tiny"}}), {{0, 90}, {90, 180}, {180, 270}, {270, 360}},
         {}},
        {"first mode wins", rows({{1.0, "Sales %"}, {1.0, "Costs #"}}), {{0, 180}, {180, 360}}, {"Sales 50%", "Costs #"}},
        {"value mode", rows({{12.0, "Total: #"}, {12.0}}), {{0, 180}, {180, 360}}, {"Total: 12"}},
        {"no total", rows({{0.0, "a"}, {0.0}}), {}, {}},
        {"empty", rt::Value::array(), {}, {}},
    };
    for (const auto& tc : cases) {
        SCOPED_TRACE(tc.name);
        Pie p;
        const uint32_t line = p.g._NLINECOLOR, fill = p.g._NFILLCOLOR, text = p.g._NTEXTCOLOR;
        PAINTCHARTPIE(p.g, 200, 200, 100, tc.data);
        const auto sectors = p.of("PAINTELLIPSESECTOR");
        ASSERT_EQ(sectors.size(), tc.sectors.size());
        for (size_t i = 0; i < sectors.size(); ++i) {
            EXPECT_EQ(sectors[i].args[4], tc.sectors[i].first);
            EXPECT_EQ(sectors[i].args[5], tc.sectors[i].second);
        }
        const auto labels = p.of("PAINTSTRING");
        ASSERT_EQ(labels.size(), tc.labels.size());
        for (size_t i = 0; i < labels.size(); ++i) EXPECT_EQ(labels[i].text, tc.labels[i]);
        EXPECT_EQ(p.g._NLINECOLOR, line);
        EXPECT_EQ(p.g._NFILLCOLOR, fill);
        EXPECT_EQ(p.g._NTEXTCOLOR, text);
        // Rows come back normalised to four entries.
        for (const auto& r : *tc.data.arr()) {
            EXPECT_EQ(r.len(), 4u);
            EXPECT_TRUE(r.at(4).isLogical());
        }
    }
}

TEST(ChartPie, LabelPlacementAndExplodedSlice) {
    Pie p;
    const rt::Value data = rows({{1.0, "%", 2.0}, {1.0, "%", 3.0}, {1.0, "%", 4.0}});
    PAINTCHARTPIE(p.g, 200, 200, 100, data, 1.0, 16.0);
    const auto labels = p.of("PAINTSTRING");
    ASSERT_EQ(labels.size(), 3u);
    const double m = 60.0 * std::numbers::pi / 180.0;
    EXPECT_NEAR(labels[0].args[0], 200 + 80 * std::sin(m), 1e-9);
    EXPECT_NEAR(labels[0].args[1], 200 + 80 * std::cos(m), 1e-9);
    EXPECT_EQ(labels[0].args[2], 10.0);

    // Named labels: anchor 5 at 60 degrees, anchor 1 at 300 degrees; the exploded slice moves R/5.
    Pie q;
    PAINTCHARTPIE(q.g, 200, 200, 100, rows({{1.0, "right", 2.0, true}, {1.0, "x", 3.0}, {1.0, "x", 3.0}, {1.0, "x", 3.0},
                                           {1.0, "x", 3.0}, {1.0, "left", 4.0}}));
    const auto all = q.of("PAINTELLIPSESECTOR");
    ASSERT_EQ(all.size(), 6u);
    EXPECT_NEAR(all[0].args[0], 200 + 20 * std::sin(30.0 * std::numbers::pi / 180.0), 1e-9);
    EXPECT_EQ(all[1].args[0], 200.0);
    const auto texts = q.of("PAINTSTRING");
    ASSERT_EQ(texts.size(), 6u);
    EXPECT_EQ(texts[0].args[2], 5.0);
    EXPECT_EQ(texts[5].args[2], 1.0);
    q.device.image().save(QString::fromStdString((mirvano_test::temp_dir("pie") / "chart_pie.png").string()));
}

TEST(ChartLegend, DefaultsBoxRowsAndPatterns) {
    Pie p;
    rt::Value lp;
    const rt::Value data = rows({{"Alpha", 2.0, 3.0}, {"Beta", 4.0}, {"Gamma", 5.0}});
    p.g.SETLINEPATTERN(1);
    const int32_t width = p.g._NLINEWIDTH;
    PAINTCHARTLEGEND(p.g, 50, 60, lp, data);
    ASSERT_EQ(lp.len(), 7u);
    EXPECT_EQ(lp.at(1).num(), 5.0);
    EXPECT_TRUE(lp.at(2).isObject());
    EXPECT_EQ(lp.at(5).num(), 0.0);
    EXPECT_TRUE(p.of("PAINTRECTANGLE").empty());
    const auto lines = p.of("PAINTLINE");
    ASSERT_EQ(lines.size(), 3u);
    const double u = (lines[1].args[1] - lines[0].args[1]) / 3.0;
    ASSERT_GT(u, 0.0);
    EXPECT_NEAR(lines[0].args[1], 60 + u, 1e-9);
    EXPECT_NEAR(lines[0].args[2] - lines[0].args[0], 8 * u, 1e-9);
    const auto texts = p.of("PAINTSTRING");
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0].text, "Gamma");  // the last row at the bottom
    EXPECT_NEAR(texts[0].args[0], 50 + 9 * u, 1e-9);
    EXPECT_EQ(p.g._NLINEPATTERN, 1);
    EXPECT_EQ(p.g._NLINEWIDTH, width);

    // Frame on: box of 11u + W by 10u, the rows at y + 2u, 5u, 8u.
    Pie q;
    rt::Value framed = rt::Value::array({12.0, 60.0, 2.0, 1.0, 1.0, 3.0, 1.0});
    PAINTCHARTLEGEND(q.g, 50, 60, framed, data, 10.0);
    EXPECT_EQ(framed.at(1).num(), 5.0);
    EXPECT_TRUE(framed.at(2).isObject());
    const auto box = q.of("PAINTRECTANGLE");
    ASSERT_EQ(box.size(), 1u);
    const auto ql = q.of("PAINTLINE");
    ASSERT_EQ(ql.size(), 3u);
    const double v = (ql[1].args[1] - ql[0].args[1]) / 3.0;
    EXPECT_NEAR(box[0].args[3], 10 * v, 1e-9);
    EXPECT_NEAR(box[0].args[1], 60 - 5 * v, 1e-9);  // centred on the point
    EXPECT_NEAR(ql[0].args[1], box[0].args[1] + 2 * v, 1e-9);
    EXPECT_NEAR(ql[2].args[1], box[0].args[1] + 8 * v, 1e-9);

    // No rows: nothing drawn, nothing fails.
    Pie e;
    rt::Value none;
    PAINTCHARTLEGEND(e.g, 0, 0, none, rt::Value::array());
    EXPECT_TRUE(e.calls.empty());
}

// Named labels run along the radius of their slice, inside the pie, next to the rim; each is
// drawn in the inverse of its slice's colour, so every label's ink can be found on its own.
TEST(ChartPie, LabelsRunAlongTheirSlicesInsideThePie) {
    MemoryDevice device(400, 400);
    GRAPHICS g(&device);
    const rt::Value data = rows({{1.0, "North", makeColorValue(gui::COLOR(255, 0, 0))},
                                 {1.0, "East", makeColorValue(gui::COLOR(0, 160, 0))},
                                 {1.0, "South", makeColorValue(gui::COLOR(0, 0, 255))},
                                 {1.0, "West", makeColorValue(gui::COLOR(200, 200, 0))}});
    PAINTCHARTPIE(g, 200, 200, 160, data);
    device.image().save(QString::fromStdString((mirvano_test::temp_dir("pie") / "chart_pie_labels.png").string()));
    const uint32_t inks[] = {0x00FFFF, 0xFF5FFF, 0xFFFF00, 0x3737FF};
    const double pi = std::numbers::pi;
    for (int k = 0; k < 4; ++k) {
        double n = 0, sx = 0, sy = 0, sxx = 0, syy = 0, sxy = 0, farthest = 0;
        double lowest = 360, highest = 0;
        for (int y = 0; y < 400; ++y)
            for (int x = 0; x < 400; ++x) {
                if (device.at(x, y) != inks[k]) continue;
                const double dx = x - 200, dy = y - 200;
                double bearing = std::atan2(dx, dy) * 180 / pi;  // 0 up, clockwise
                if (bearing < 0) bearing += 360;
                lowest = std::min(lowest, bearing), highest = std::max(highest, bearing);
                farthest = std::max(farthest, std::hypot(dx, dy));
                n += 1, sx += dx, sy += dy, sxx += dx * dx, syy += dy * dy, sxy += dx * dy;
            }
        ASSERT_GT(n, 30) << k;
        // Inside the pie and inside the slice's quarter.
        EXPECT_LE(farthest, 161) << k;
        EXPECT_GT(farthest, 140) << k;
        EXPECT_GE(lowest, 90.0 * k) << k;
        EXPECT_LE(highest, 90.0 * (k + 1)) << k;
        // The long axis of the ink points along the middle of the slice.
        const double mx = sx / n, my = sy / n;
        const double vxx = sxx / n - mx * mx, vyy = syy / n - my * my, vxy = sxy / n - mx * my;
        double axis = 0.5 * std::atan2(2 * vxy, vxx - vyy) * 180 / pi;  // from the x axis
        const double radial = 90.0 - (45.0 + 90.0 * k);                // the middle, from the x axis
        double gap = std::fmod(std::fabs(axis - radial), 180.0);
        gap = std::min(gap, 180.0 - gap);
        EXPECT_LT(gap, 8.0) << k;
    }
}
