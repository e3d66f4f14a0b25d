#pragma once

#include <string>
#include <vector>

// Keeps the secrets of a connection and takes them out of text: each secret in every form a
// line could carry it in (as it is, hexadecimal, percent-encoded, base64) becomes "***".
// Matching ignores case, so a hex or percent form in either case is caught too.
class SecretScrubber {
  public:
    // An empty secret is ignored.
    void Add(const std::string& secret);
    std::string Scrub(const std::string& text) const;

  private:
    std::vector<std::string> forms;  // lower case, longest first
};

// The forms Add looks for, before case is set aside; shared with the tests.
std::string HexForm(const std::string& bytes);
std::string PercentForm(const std::string& bytes);
std::string Base64Form(const std::string& bytes);
