#include "printing/FolderSafeName.h"

std::string FolderSafeName(const std::string& user_name) {
    std::string safe;
    safe.reserve(user_name.size());
    for (const char c : user_name) {
        // Classified by hand: <cctype> would follow the locale and let non-ASCII letters through.
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        const bool digit = c >= '0' && c <= '9';
        if (letter || digit || c == '-') {
            safe += c;
        } else if (c == '@') {
            safe += "_at_";
        } else if (c == '.') {
            safe += "_dot_";
        } else {
            safe += '_';
        }
    }
    return safe;
}
