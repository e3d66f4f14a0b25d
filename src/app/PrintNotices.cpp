#include "app/PrintNotices.h"

#include <utility>

PrintNotices::PrintNotices(std::function<void(const Notice&)> show_,
                           std::function<void(std::chrono::milliseconds)> arm_)
    : show(std::move(show_)), arm(std::move(arm_)) {}

void PrintNotices::Printed(const std::string& document, const std::string& printer) {
    Add(true, printer, Outcome{document, ""});
}

void PrintNotices::NotPrinted(const std::string& document, const std::string& printer,
                              const std::string& kept_as) {
    Add(false, printer, Outcome{document, kept_as});
}

void PrintNotices::Add(bool printed, const std::string& printer, Outcome outcome) {
    // The first outcome opens the gathering; the rest join it.
    if (groups.empty()) arm(kGathering);
    for (Group& group : groups) {
        if (group.printed == printed && group.printer == printer) {
            group.outcomes.push_back(std::move(outcome));
            return;
        }
    }
    groups.push_back(Group{printed, printer, {std::move(outcome)}});
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
    const std::size_t count = group.outcomes.size();
    if (count == 1) {
        const Outcome& only = group.outcomes.front();
        if (group.printed)
            return {"Document printed",
                    quoted(only.document) + " was printed on " + group.printer + "."};
        return {"Document not printed", quoted(only.document) + " could not be printed on " +
                                            group.printer + ". It is kept as " + only.kept_as +
                                            "; open it to print it by hand."};
    }
    Notice notice{std::to_string(count) +
                      (group.printed ? " documents printed on " : " documents not printed on ") +
                      group.printer,
                  ""};
    for (std::size_t i = 0; i < count && i < kMostNamed; ++i) {
        const Outcome& outcome = group.outcomes[i];
        if (!notice.body.empty()) notice.body += "\n";
        notice.body += quoted(outcome.document);
        if (!group.printed) notice.body += ", kept as " + outcome.kept_as;
    }
    if (count > kMostNamed) notice.body += "\nand " + std::to_string(count - kMostNamed) + " more";
    if (!group.printed) notice.body += "\nOpen the kept copies to print them by hand.";
    return notice;
}
