#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

// Tells the user, in desktop notices, which documents went to which printer or were saved in
// which folder, and which did not. Outcomes that come within a short while of the first are
// gathered into one notice per printer or folder and outcome ("3 documents printed on
// Hall_Laser"), so a burst of documents is not a burst of notices. All texts are UTF-8; names
// and paths must already be fit to show.
class PrintNotices {
  public:
    struct Notice {
        std::string summary;
        std::string body;
    };
    static constexpr std::chrono::milliseconds kGathering{1500};
    // Documents named one by one in a notice about several; the rest are counted.
    static constexpr std::size_t kMostNamed = 5;

    // show: shows one notice. arm: asks for Flush to be called once after the delay.
    PrintNotices(std::function<void(const Notice&)> show,
                 std::function<void(std::chrono::milliseconds)> arm);

    // The print program took the document.
    void Printed(const std::string& document, const std::string& printer);
    // It did not; the document is kept as the file kept_as for the user to print by hand.
    void NotPrinted(const std::string& document, const std::string& printer,
                    const std::string& kept_as);
    // The document was saved as the file saved_as in folder instead of printed.
    void Saved(const std::string& document, const std::string& folder, const std::string& saved_as);
    // It was not; it is kept as the file kept_as.
    void NotSaved(const std::string& document, const std::string& folder,
                  const std::string& kept_as);
    // Shows what was gathered.
    void Flush();

  private:
    enum class Kind { kPrinted, kNotPrinted, kSaved, kNotSaved };
    struct Outcome {
        std::string document;
        std::string file;  // where it is kept or saved; empty when printed
    };
    struct Group {
        Kind kind;
        std::string place;  // the printer or the folder
        std::vector<Outcome> outcomes;
    };
    void Add(Kind kind, const std::string& place, Outcome outcome);
    static Notice NoticeOf(const Group& group);

    std::function<void(const Notice&)> show;
    std::function<void(std::chrono::milliseconds)> arm;
    std::vector<Group> groups;  // in the order of their first outcome
};
