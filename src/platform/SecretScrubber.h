#pragma once

#include <string>
#include <vector>

// Keeps the secrets of a connection and takes them out of text: each secret in every form a
// line could carry it in (as it is, hexadecimal, percent-encoded, base64) becomes "***".
// Matching ignores case, so a hex or percent form in either case is caught too.
// A form shorter than kShortForm could be a word or number of ordinary text ("port", "5901"):
// stars there would give the secret away by what stands around them. Such a form is taken out
// only from values (ScrubValue) and only where it stands as a whole field.
class SecretScrubber {
  public:
    static constexpr std::size_t kShortForm = 16;

    // An empty secret is ignored.
    void Add(const std::string& secret);
    // Every form of kShortForm bytes or more, wherever it stands: for the client's own wording.
    std::string Scrub(const std::string& text) const;
    // Scrub, and the shorter forms where each is a whole field: for text from elsewhere (a name
    // a user typed or a server sent, a server's message), which could be the secret itself.
    std::string ScrubValue(const std::string& text) const;

  private:
    std::vector<std::string> forms;  // lower case, longest first
};

// The forms Add looks for, before case is set aside; shared with the tests.
std::string HexForm(const std::string& bytes);
std::string PercentForm(const std::string& bytes);
std::string Base64Form(const std::string& bytes);
