#pragma once

#include <wx/app.h>

#include <functional>

// The body of a window suite's main: on a private Xvfb display, starts the toolkit with the
// application make_app returns (calling its OnInit when call_on_init), keeps an event loop
// active for the tests to pump, runs every test and cleans up. Listing the tests starts nothing.
int RunGuiTests(int argc, char** argv, const std::function<wxApp*()>& make_app, bool call_on_init);
