#include "app/PrintFailureNotices.h"

#include <utility>

PrintFailureNotices::PrintFailureNotices(std::function<void(const std::string&)> show_)
    : show(std::move(show_)) {}

void PrintFailureNotices::Add(const std::string& text) {
    if (showing) {
        if (gathered++ == 0) first_gathered = text;
        return;
    }
    showing = true;
    std::string next = text;
    for (;;) {
        show(next);
        if (gathered == 0) break;
        next = TakeGathered();
    }
    showing = false;
}

std::string PrintFailureNotices::TakeGathered() {
    std::string text = first_gathered;
    if (gathered > 1) {
        text = std::to_string(gathered) +
               " more printing problems occurred; the first of them:\n\n" + text;
    }
    first_gathered.clear();
    gathered = 0;
    return text;
}
