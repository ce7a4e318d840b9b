#pragma once
// A small XML well-formedness check for the pictures and reports the tests produce: balanced
// elements, one root, quoted and unique attributes, valid character references, valid UTF-8.
// An optional leading XML declaration and an HTML doctype are accepted.
#include <string>
#include <string_view>

namespace velmora::test {

// "" when well-formed, else the first problem with its byte offset.
std::string XmlProblem(std::string_view document);

// True when the xmllint tool is installed.
bool HaveXmllint();
// Runs xmllint --noout on the files (one command line); "" when all are well-formed, else its output.
std::string XmllintProblems(const std::string& fileList);

} // namespace velmora::test
