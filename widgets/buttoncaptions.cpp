#include "widgets/buttoncaptions.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <array>

namespace widgets {

namespace {
// Index by id (0 unused, 8 unused).
std::array<std::string, 10> g_captions;
int g_probes = 0;

void learnCaptions() {
    ++g_probes;
    // The captions Qt puts on its standard buttons in the current language; nothing is shown.
    QDialogButtonBox box;
    const std::pair<int, QDialogButtonBox::StandardButton> map[] = {
        {IDOK, QDialogButtonBox::Ok},         {IDCANCEL, QDialogButtonBox::Cancel},
        {IDABORT, QDialogButtonBox::Abort},   {IDRETRY, QDialogButtonBox::Retry},
        {IDIGNORE, QDialogButtonBox::Ignore}, {IDYES, QDialogButtonBox::Yes},
        {IDNO, QDialogButtonBox::No},         {IDHELP, QDialogButtonBox::Help},
    };
    for (const auto& [id, sb] : map) {
        QPushButton* b = box.addButton(sb);
        if (b) g_captions[id] = cleanButtonCaption(b->text().toStdString());
    }
}
}  // namespace

std::string cleanButtonCaption(const std::string& text) {
    std::string out;
    for (char c : text)
        if (c != '&') out += c;
    if (out.size() > 63) {
        size_t n = 63;
        while (n > 0 && (static_cast<unsigned char>(out[n]) & 0xC0) == 0x80) --n;
        out.resize(n);
    }
    return out;
}

std::string GETMSGSTRING(const rt::Value& id) {
    if (g_captions[IDNO].empty()) learnCaptions();
    if (!id.isNumber()) return {};
    const double n = id.num();
    for (int k : {IDNO, IDYES, IDCANCEL, IDOK, IDABORT, IDRETRY, IDIGNORE, IDHELP})
        if (n == k) return g_captions[k];
    return {};
}

int buttonCaptionProbeCount() { return g_probes; }

void resetButtonCaptions() {
    for (auto& c : g_captions) c.clear();
}

}  // namespace widgets
