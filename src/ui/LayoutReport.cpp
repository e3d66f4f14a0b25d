#include "ui/LayoutReport.h"

#include <wx/window.h>

#include <sstream>

#include "platform/LocaleText.h"

namespace {
std::ostream& operator<<(std::ostream& out, const wxRect& rect) {
    return out << rect.x << ',' << rect.y << ' ' << rect.width << 'x' << rect.height;
}

std::string Quoted(const wxString& text) {
    return '"' + ToUtf8Bytes(text) + '"';
}

bool Fits(const wxWindow& text) {
    const wxSize extent = text.GetTextExtent(text.GetLabel());
    const wxRect box = text.GetRect();
    const wxRect inside(text.GetParent()->GetClientSize());
    return extent.x <= box.width && extent.y <= box.height && inside.Contains(box);
}
}  // namespace

std::string DescribeFormLayout(const wxWindow& window, const std::vector<LabelledField>& labelled,
                               const std::vector<wxWindow*>& texts) {
    std::ostringstream out;
    const wxSize size = window.GetSize();
    out << "dpi " << window.GetDPI().y << '\n';
    out << "window " << size.x << 'x' << size.y << '\n';
    for (const LabelledField& pair : labelled) {
        const wxRect label = pair.label->GetRect();
        const wxRect field = pair.field->GetRect();
        out << "label " << Quoted(pair.label->GetLabel()) << ' ' << label << " field " << field
            << (label.Intersects(field) ? " overlap" : " clear") << '\n';
    }
    for (const wxWindow* text : texts) {
        const wxSize extent = text->GetTextExtent(text->GetLabel());
        out << "text " << Quoted(text->GetLabel()) << " extent " << extent.x << 'x' << extent.y
            << " box " << text->GetRect() << (Fits(*text) ? " fits" : " cut") << '\n';
    }
    return out.str();
}
