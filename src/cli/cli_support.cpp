#include "cli_support.h"

#include "base/ioerror.h"
#include "base/userdata.h"
#include "descriptors/catalogue.h"
#include "io/libfiles.h"
#include "search/coefficients.h"
#include "search/ranking.h"
#include "search/workbench.h"
#include "io/libset.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <csignal>
#include <cstdio>
#include <filesystem>

namespace velmora::cli {

namespace {
std::atomic<int> g_interrupts{0};

void OnInterrupt(int)
{
    if (g_interrupts.fetch_add(1) >= 1) {
        std::signal(SIGINT, SIG_DFL);
        std::raise(SIGINT);
    }
}

std::string Lines(const std::string& text)
{
    std::string out = text;
    std::replace(out.begin(), out.end(), '\r', '\n');
    return out;
}
} // namespace

MessageAnswer CliDialog::ShowMessage(MessageKind kind, const std::string&, const std::string& text,
                                     MessageButtons buttons, const std::string& detail)
{
    const std::string more = detail.empty() ? "" : Lines(detail) + "\n";
    if (kind == MessageKind::Error || kind == MessageKind::Warning || allToError)
        m_context.err << prefix << Lines(text) << "\n" << more;
    else if (!quiet)
        m_context.out << Lines(text) << "\n" << more;
    if (buttons == MessageButtons::Ok)
        return MessageAnswer::Ok;
    return m_confirmAnswer;
}

CliProgress::CliProgress(CommandContext& context) : m_context(context)
{
    g_interrupts = 0;
    std::signal(SIGINT, OnInterrupt);
}

CliProgress::~CliProgress() { std::signal(SIGINT, SIG_DFL); }

void CliProgress::Start(ProgressKind, const std::string& caption, long total)
{
    m_caption = caption;
    m_total = total;
    m_done = 0;
    Draw(true);
}

void CliProgress::Step(long done)
{
    m_done = done;
    Draw(false);
}

ProgressRequest CliProgress::Poll()
{
    return g_interrupts.load() > 0 ? ProgressRequest::Abort : ProgressRequest::Continue;
}

bool CliProgress::Interrupted() const { return g_interrupts.load() > 0; }

void CliProgress::Finish()
{
    if (m_drawn) {
        Draw(true);
        m_context.err << "\n";
        m_drawn = false;
    }
}

void CliProgress::Draw(bool force)
{
    if (!m_context.interactive)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (!force && now - m_lastDraw < std::chrono::milliseconds(100))
        return;
    m_lastDraw = now;
    constexpr int kWidth = 30;
    const double fraction = m_total > 0 ? std::clamp(static_cast<double>(m_done) / m_total, 0.0, 1.0) : 0.0;
    const int filled = static_cast<int>(fraction * kWidth);
    char line[160];
    std::snprintf(line, sizeof line, "\r%s [%-*s] %ld/%ld", m_caption.c_str(), kWidth,
                  std::string(static_cast<std::size_t>(filled), '#').c_str(), m_done, m_total);
    m_context.err << line << std::flush;
    m_drawn = true;
}

bool ParsedArgs::Has(const std::string& name) const
{
    return std::any_of(options.begin(), options.end(), [&](const auto& o) { return o.first == name; });
}

std::string ParsedArgs::Value(const std::string& name, const std::string& fallback) const
{
    for (auto it = options.rbegin(); it != options.rend(); ++it)
        if (it->first == name)
            return it->second;
    return fallback;
}

ParsedArgs ParseArgs(const std::vector<std::string>& args, const std::vector<std::string>& flags,
                     const std::vector<std::string>& valueOptions)
{
    ParsedArgs parsed;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.size() < 2 || arg.compare(0, 1, "-") != 0 || arg == "-") {
            parsed.positional.push_back(arg);
            continue;
        }
        std::string name = arg;
        std::string value;
        const auto eq = arg.find('=');
        if (eq != std::string::npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
        }
        const bool isFlag = std::find(flags.begin(), flags.end(), name) != flags.end();
        const bool takesValue = std::find(valueOptions.begin(), valueOptions.end(), name) != valueOptions.end();
        if (isFlag && eq == std::string::npos) {
            parsed.options.emplace_back(name, "");
        } else if (takesValue) {
            if (eq == std::string::npos) {
                if (i + 1 >= args.size())
                    throw UsageError("option " + name + " needs a value");
                value = args[++i];
            }
            parsed.options.emplace_back(name, value);
        } else {
            throw UsageError("unknown option " + arg);
        }
    }
    return parsed;
}

int WithUsage(const char* command, CommandContext& context, const std::vector<std::string>& args,
              int (*body)(const ParsedArgs&, CommandContext&), const std::vector<std::string>& flags,
              const std::vector<std::string>& valueOptions, std::size_t minPositional,
              std::size_t maxPositional)
{
    try {
        const ParsedArgs parsed = ParseArgs(args, flags, valueOptions);
        if (parsed.positional.size() < minPositional)
            throw UsageError("missing arguments");
        if (parsed.positional.size() > maxPositional)
            throw UsageError("too many arguments");
        return body(parsed, context);
    } catch (const UsageError& error) {
        const Command* found = FindCommand(command);
        context.err << "velmora-cli " << command << ": " << error.what() << "\n";
        if (found)
            context.err << "usage: velmora-cli " << found->usage << "\n";
        return kExitUsage;
    }
}

long ParsePositive(const std::string& text, const std::string& what)
{
    long value = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || ptr != text.data() + text.size() || value < 1)
        throw UsageError(what + " must be a whole number from 1 on, not '" + text + "'");
    return value;
}

void RequireLibraryName(const std::string& name)
{
    if (IsLibrarySetName(name)) {
        LibrarySet::Read(name); // names the set file and the line of its first problem
        return;
    }
    const std::string problem = LibraryNameProblem(name);
    if (!problem.empty())
        throw IoError(name, problem);
}

void IgnoreFileSizeSignal() { std::signal(SIGXFSZ, SIG_IGN); }

std::string SetsFilePath(const ParsedArgs& args)
{
    if (args.Has("--sets-file"))
        return args.Value("--sets-file");
    if (args.Has("--dir"))
        return (std::filesystem::path(args.Value("--dir")) / "crits.txt").string();
    return (std::filesystem::path(UserDataDirectory(std::filesystem::current_path().string())) / "crits.txt").string();
}

int CoefficientOption(const ParsedArgs& args)
{
    if (!args.Has("--coefficient"))
        return 0; // the table's first row
    const int coefficient = CoefficientFromTyped(args.Value("--coefficient"));
    if (coefficient < 0)
        throw UsageError("--coefficient takes " + TypedCoefficientList());
    return coefficient;
}

std::string ModeOption(const ParsedArgs& args)
{
    const std::string mode = args.Value("--mode");
    if (!mode.empty() && mode != "normal" && mode != "intro")
        throw UsageError("--mode takes normal or intro");
    return mode;
}

int CountOption(const ParsedArgs& args, const std::string& option, int fallback)
{
    if (!args.Has(option))
        return fallback;
    const std::string text = args.Value(option);
    const auto first = text.find_first_not_of(' ');
    const std::string trimmed = first == std::string::npos ? "" : text.substr(first, text.find_last_not_of(' ') - first + 1);
    const char* begin = trimmed.data() + (!trimmed.empty() && trimmed[0] == '+' ? 1 : 0);
    long long value = 0;
    const auto [end, ec] = std::from_chars(begin, trimmed.data() + trimmed.size(), value);
    const std::string range = "1.." + std::to_string(kMaxBestCount);
    if (trimmed.empty() || end != trimmed.data() + trimmed.size() || ec == std::errc::invalid_argument)
        throw UsageError(option + ": '" + text + "' is not a whole number in " + range);
    if (ec == std::errc::result_out_of_range || value < 1 || value > kMaxBestCount)
        throw UsageError(option + ": " + trimmed + " is not in " + range);
    return static_cast<int>(value);
}

namespace {
int FindDescriptor(const std::string& name)
{
    for (int i = 0; i < kCatalogueSize; ++i)
        if (IsDescriptor(i) && CatalogueName(i) == name)
            return i;
    return -1;
}

std::vector<std::string> SplitNames(const std::string& list)
{
    std::vector<std::string> names;
    std::string current;
    for (char c : list) {
        if (c == ',') {
            names.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    names.push_back(current);
    for (auto& name : names) {
        const auto first = name.find_first_not_of(' ');
        name = first == std::string::npos ? "" : name.substr(first);
    }
    return names;
}
} // namespace

std::vector<int> DescriptorsOption(const ParsedArgs& args)
{
    std::vector<int> descriptors;
    if (args.Has("--descriptors"))
        for (const auto& name : SplitNames(args.Value("--descriptors"))) {
            const int index = FindDescriptor(name);
            if (index < 0)
                throw UsageError("no descriptor is named \"" + name + "\" (see velmora-cli descriptors --list)");
            descriptors.push_back(index);
        }
    return descriptors;
}

std::optional<int> EnterMode(Workbench& workbench, const std::string& mode, const std::string& command,
                             const std::string& libraryName, bool yes, const CliProgress& progress,
                             CommandContext& context)
{
    if (mode == "intro" && workbench.State().Mode != DescriptorMode::Intro)
        workbench.SetIntroMode();
    if (mode != "normal" || workbench.State().Mode == DescriptorMode::Normal || workbench.SetNormalMode())
        return std::nullopt;
    if (progress.Interrupted()) {
        context.err << "velmora-cli " << command << ": interrupted; the descriptor file of " << libraryName
                    << " was not built\n";
        return kExitAborted;
    }
    context.err << "velmora-cli " << command << ": " << libraryName
                << ": the library has no descriptor file; run 'velmora-cli build' first" << (yes ? "" : " or give --yes")
                << "\n";
    return kExitFailure;
}

std::optional<int> OpenDescriptorChoice(Workbench& workbench, const std::string& command,
                                        const std::string& libraryName, bool yes, const CliProgress& progress,
                                        CommandContext& context)
{
    if (workbench.ChooseDescriptors())
        return std::nullopt;
    if (progress.Interrupted()) {
        context.err << "velmora-cli " << command << ": interrupted; the library parameters of " << libraryName
                    << " were not calculated\n";
        return kExitAborted;
    }
    context.err << "velmora-cli " << command << ": " << libraryName
                << ": INTRO mode needs the library parameters; run 'velmora-cli params'" << (yes ? "" : " or give --yes")
                << "\n";
    return kExitFailure;
}

} // namespace velmora::cli
