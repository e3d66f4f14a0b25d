#include "app/MirlNxApp.h"

wxIMPLEMENT_APP(MirlNxApp);
