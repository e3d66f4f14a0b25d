#include "app/PrintNotices.h"

#include <utility>

PrintNotices::PrintNotices(std::function<void(const Notice&)> show_,
                           std::function<void(std::chrono::milliseconds)> arm_)
    : show(std::move(show_)), arm(std::move(arm_)) {}

void PrintNotices::Printed(const std::string& document, const std::string& printer) {
    Add(Kind::kPrinted, printer, Outcome{document, ""});
}

void PrintNotices::NotPrinted(const std::string& document, const std::string& printer,
                              const std::string& kept_as) {
    Add(Kind::kNotPrinted, printer, Outcome{document, kept_as});
}

void PrintNotices::Saved(const std::string& document, const std::string& folder,
                         const std::string& saved_as) {
    Add(Kind::kSaved, folder, Outcome{document, saved_as});
}

void PrintNotices::NotSaved(const std::string& document, const std::string& folder,
                            const std::string& kept_as) {
    Add(Kind::kNotSaved, folder, Outcome{document, kept_as});
}

void PrintNotices::Add(Kind kind, const std::string& place, Outcome outcome) {
    // The first outcome opens the gathering; the rest join it.
    if (groups.empty()) arm(kGathering);
    for (Group& group : groups) {
        if (group.kind == kind && group.place == place) {
            group.outcomes.push_back(std::move(outcome));
            return;
        }
    }
    groups.push_back(Group{kind, place, {std::move(outcome)}});
}

void PrintNotices::Flush() {
    std::vector<Group> gathered;
    gathered.swap(groups);  // a notice shown now may let new outcomes in
    for (const Group& group : gathered) show(NoticeOf(group));
}

PrintNotices::Notice PrintNotices::NoticeOf(const Group& group) {
    const auto quoted = [](const std::string& name) {
        return name.empty() ? std::string("A document without a name") : "\"" + name + "\"";
    };
    const bool kept = group.kind == Kind::kNotPrinted || group.kind == Kind::kNotSaved;
    const std::size_t count = group.outcomes.size();
    if (count == 1) {
        const Outcome& only = group.outcomes.front();
        const std::string name = quoted(only.document);
        switch (group.kind) {
            case Kind::kPrinted:
                return {"Document printed", name + " was printed on " + group.place + "."};
            case Kind::kNotPrinted:
                return {"Document not printed", name + " could not be printed on " + group.place +
                                                    ". It is kept as " + only.file +
                                                    "; open it to print it by hand."};
            case Kind::kSaved:
                return {"Document saved", name + " was saved as " + only.file + "."};
            case Kind::kNotSaved:
                return {"Document not saved", name + " could not be saved in " + group.place +
                                                  ". It is kept as " + only.file + "."};
        }
    }
    const char* const outcomes[] = {" documents printed on ", " documents not printed on ",
                                    " documents saved in ", " documents not saved in "};
    Notice notice{std::to_string(count) + outcomes[static_cast<int>(group.kind)] + group.place, ""};
    for (std::size_t i = 0; i < count && i < kMostNamed; ++i) {
        const Outcome& outcome = group.outcomes[i];
        if (!notice.body.empty()) notice.body += "\n";
        notice.body += quoted(outcome.document);
        if (kept) notice.body += ", kept as " + outcome.file;
    }
    if (count > kMostNamed) notice.body += "\nand " + std::to_string(count - kMostNamed) + " more";
    if (group.kind == Kind::kNotPrinted)
        notice.body += "\nOpen the kept copies to print them by hand.";
    return notice;
}
