#pragma once

#include <string>
#include <vector>

class wxWindow;

// A label and the field it names.
struct LabelledField {
    wxWindow* label;
    wxWindow* field;
};

// What a user would see of a form at the window's current scale, measured from the controls'
// own rectangles and text extents, one fact a line:
//   dpi 144
//   window 750x600
//   label "Password" 57,243 79x20 field 231,243 303x30 clear      (or: overlap)
//   text "Not Connected" extent 98x20 box 600,293 98x20 fits      (or: cut)
// A text fits when its extent fits its box and the box lies inside its parent.
std::string DescribeFormLayout(const wxWindow& window, const std::vector<LabelledField>& labelled,
                               const std::vector<wxWindow*>& texts);
