#include "xmlcheck_support.h"

#include "graphics/xmltext.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <vector>

namespace velmora::test {

namespace {

bool NameStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_' || c == ':'; }
bool NameChar(char c)
{
    return NameStart(c) || std::isdigit(static_cast<unsigned char>(c)) || c == '-' || c == '.';
}

struct Parser {
    std::string_view s;
    std::size_t p = 0;
    std::string problem;

    bool Fail(const std::string& what)
    {
        if (problem.empty())
            problem = what + " at offset " + std::to_string(p);
        return false;
    }
    void SkipSpace()
    {
        while (p < s.size() && std::isspace(static_cast<unsigned char>(s[p])))
            ++p;
    }
    bool Name(std::string& name)
    {
        if (p >= s.size() || !NameStart(s[p]))
            return Fail("name expected");
        const std::size_t start = p;
        while (p < s.size() && NameChar(s[p]))
            ++p;
        name = std::string(s.substr(start, p - start));
        return true;
    }
    // Character data or an attribute value up to stop; checks references and forbidden '<'.
    bool Text(char stop)
    {
        while (p < s.size() && s[p] != stop) {
            if (s[p] == '<')
                return Fail("'<' inside text or attribute");
            if (s[p] == '&') {
                const std::size_t semi = s.find(';', p);
                if (semi == std::string_view::npos || semi - p > 10)
                    return Fail("unterminated reference");
                const std::string_view ref = s.substr(p + 1, semi - p - 1);
                const bool named = ref == "amp" || ref == "lt" || ref == "gt" || ref == "quot" || ref == "apos";
                bool numeric = ref.size() >= 2 && ref[0] == '#';
                for (std::size_t i = 1; numeric && i < ref.size(); ++i)
                    numeric = std::isdigit(static_cast<unsigned char>(ref[i])) ||
                              (i == 1 && ref[i] == 'x') ||
                              (ref[1] == 'x' && std::isxdigit(static_cast<unsigned char>(ref[i])));
                if (!named && !numeric)
                    return Fail("unknown reference &" + std::string(ref) + ";");
                p = semi + 1;
            } else {
                const auto c = static_cast<unsigned char>(s[p]);
                if (c < 0x20 && c != '\t' && c != '\n' && c != '\r')
                    return Fail("control character");
                ++p;
            }
        }
        return true;
    }
    bool Element()
    {
        ++p; // '<'
        std::string name;
        if (!Name(name))
            return false;
        std::set<std::string> attributes;
        for (;;) {
            const std::size_t before = p;
            SkipSpace();
            if (p >= s.size())
                return Fail("end inside a tag");
            if (s[p] == '/') {
                if (p + 1 >= s.size() || s[p + 1] != '>')
                    return Fail("'/' not followed by '>'");
                p += 2;
                return true;
            }
            if (s[p] == '>') {
                ++p;
                break;
            }
            if (p == before)
                return Fail("space expected before an attribute");
            std::string attribute;
            if (!Name(attribute))
                return false;
            if (!attributes.insert(attribute).second)
                return Fail("duplicate attribute " + attribute);
            SkipSpace();
            if (p >= s.size() || s[p] != '=')
                return Fail("'=' expected");
            ++p;
            SkipSpace();
            if (p >= s.size() || (s[p] != '"' && s[p] != '\''))
                return Fail("quoted value expected");
            const char quote = s[p++];
            if (!Text(quote))
                return false;
            if (p >= s.size())
                return Fail("unterminated attribute value");
            ++p;
        }
        for (;;) {
            if (!Text('<'))
                return false;
            if (p >= s.size())
                return Fail("element <" + name + "> not closed");
            if (s.compare(p, 4, "<!--") == 0) {
                const std::size_t end = s.find("-->", p);
                if (end == std::string_view::npos)
                    return Fail("unterminated comment");
                p = end + 3;
            } else if (s.compare(p, 2, "</") == 0) {
                p += 2;
                std::string closing;
                if (!Name(closing))
                    return false;
                if (closing != name)
                    return Fail("</" + closing + "> closes <" + name + ">");
                SkipSpace();
                if (p >= s.size() || s[p] != '>')
                    return Fail("'>' expected");
                ++p;
                return true;
            } else if (!Element()) {
                return false;
            }
        }
    }
};

} // namespace

std::string XmlProblem(std::string_view document)
{
    if (!IsValidUtf8(document))
        return "not valid UTF-8";
    Parser parser;
    parser.s = document;
    if (document.compare(0, 5, "<?xml") == 0) {
        const std::size_t end = document.find("?>");
        if (end == std::string_view::npos)
            return "unterminated XML declaration";
        parser.p = end + 2;
    }
    parser.SkipSpace();
    if (document.compare(parser.p, 9, "<!DOCTYPE") == 0) {
        parser.p = document.find('>', parser.p) + 1;
        parser.SkipSpace();
    }
    if (parser.p >= document.size() || document[parser.p] != '<')
        return "no root element";
    if (!parser.Element())
        return parser.problem;
    parser.SkipSpace();
    if (parser.p != document.size())
        return "content after the root element at offset " + std::to_string(parser.p);
    return "";
}

bool HaveXmllint() { return std::system("xmllint --version >/dev/null 2>&1") == 0; }

std::string XmllintProblems(const std::string& fileList)
{
    const std::string command = "xmllint --noout " + fileList + " 2>&1";
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return "cannot run xmllint";
    std::string output;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe))
        output += buffer;
    const int status = ::pclose(pipe);
    if (status != 0 && output.empty())
        output = "xmllint failed with status " + std::to_string(status);
    return output;
}

} // namespace velmora::test
