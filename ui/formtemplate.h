#pragma once
// The settings form's template: every item with its id, name, kind, position in dialog units
// (origin top-left, y down), caption, font and colour, and the twelve radio groups. The form
// builder turns this table into controls; nothing else in the form is hand-placed.
#include <cstdint>
#include <span>
#include <string_view>

namespace ui {

enum class ControlKind {
    GroupBox,
    RadioButtonGroup,
    RadioButton,
    CheckBox,
    SingleLineEdit,
    ComboBox,
    ListBox,
    PushButton,
    FixedIcon,
    FixedText,
    ProgressBar,
    DataListView,   // table view of a dBase file
    MultiLineEdit,  // Unicode text view
};

// Text colours given to group frames.
enum class FrameColour { None, Predefined1, Predefined4, Green };

// Fonts of the form: 1 Arial 8 bold, 2 Arial 9 bold, 3 Courier New 10; 0 keeps the template's.
struct FormFont {
    const char* face;
    int points;
    bool bold;
};
const FormFont& formFont(int number);  // 1..3

struct FormItem {
    int id;
    const char* name;
    ControlKind kind;
    int x, y, w, h;  // dialog units
    const char* caption;
    int font;  // 0 none, 1..3
    FrameColour colour;
    int focusSelect;   // -1 when not set
    uint32_t style;    // window style of the template item
    uint32_t exStyle;  // extended window style
};

struct RadioPair {
    const char* button;
    const char* value;
};

struct RadioGroupDef {
    int groupId;
    const char* group;
    std::span<const RadioPair> pairs;
};

struct FormGeometry {
    int x, y, w, h;  // dialog units
    const char* fontFace;
    int fontPoints;
};

constexpr FormGeometry kFormGeometry{18, 13, 526, 319, "Arial", 8};
constexpr int kFormItemCount = 101;

// The 101 items in ascending id order, which is also their tab and window order.
std::span<const FormItem> formItems();
// The twelve radio groups in the order the form builds them.
std::span<const RadioGroupDef> radioGroups();

const FormItem* findFormItem(std::string_view name);
const FormItem* findFormItem(int id);

// Template style bits the builder reads.
constexpr uint32_t kStyleDefaultButton = 0x0001;  // BS_DEFPUSHBUTTON on a push button
constexpr uint32_t kStyleListMulti = 0x0008;      // LBS_MULTIPLESEL
constexpr uint32_t kStyleListSort = 0x0002;       // LBS_SORT
constexpr uint32_t kStyleEditReadOnly = 0x0800;   // ES_READONLY
constexpr uint32_t kStyleEditRight = 0x0002;      // ES_RIGHT
constexpr uint32_t kStyleVisible = 0x10000000;    // WS_VISIBLE
constexpr uint32_t kStyleTabStop = 0x00010000;    // WS_TABSTOP

}  // namespace ui
