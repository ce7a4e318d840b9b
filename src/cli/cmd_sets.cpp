// velmora-cli sets list | show NAME | save NAME NAME,... | delete NAME
#include "cli_support.h"

#include "base/ioerror.h"
#include "descriptors/descsets.h"

#include <algorithm>
#include <filesystem>
#include <ostream>

namespace velmora::cli {

namespace {

int FindSet(const DescriptorSetFile& file, const std::string& name)
{
    const auto names = file.ReadNames();
    const auto found = std::find(names.begin() + 1, names.end(), name);
    if (found == names.end())
        throw IoError(file.Path(), "no descriptor set is named \"" + name + "\"");
    return static_cast<int>(found - names.begin());
}

int Sets(const ParsedArgs& args, CommandContext& context)
{
    const DescriptorSetFile file = DescriptorSetFile::AtPath(SetsFilePath(args));
    const std::string& action = args.positional[0];
    if (action == "list") {
        if (args.positional.size() != 1)
            throw UsageError("'sets list' takes no name");
        std::vector<std::string> problems;
        const auto names = file.ReadNames(&problems);
        for (const auto& problem : problems)
            context.err << "velmora-cli sets: warning: " << problem << "\n";
        for (std::size_t i = 1; i < names.size(); ++i)
            context.out << names[i] << "\n";
        return kExitOk;
    }
    if (args.positional.size() < 2)
        throw UsageError("'sets " + action + "' needs a set name");
    const std::string& name = args.positional[1];
    if (action == "show") {
        for (int position : file.ReadSet(FindSet(file, name)))
            context.out << CatalogueName(CatalogueIndexOfPosition(position + 1)) << "\n";
        return kExitOk;
    }
    if (action == "delete") {
        file.Remove(FindSet(file, name));
        context.out << "Deleted \"" << name << "\" from " << file.Path() << "\n";
        return kExitOk;
    }
    if (action == "save") {
        if (args.positional.size() != 3)
            throw UsageError("'sets save' needs a name and a comma-separated list of descriptors");
        for (const auto& existing : file.ReadNames())
            if (existing == name)
                throw IoError(file.Path(), "This name still exists ! Please choose a different name or delete the old one .");
        std::vector<int> positions;
        std::string list = args.positional[2] + ",";
        for (std::size_t start = 0, comma; (comma = list.find(',', start)) != std::string::npos; start = comma + 1) {
            std::string descriptor = list.substr(start, comma - start);
            descriptor.erase(0, descriptor.find_first_not_of(' '));
            int found = -1;
            for (int i = 0; i < kCatalogueSize; ++i)
                if (IsDescriptor(i) && CatalogueName(i) == descriptor)
                    found = ListPosition(i);
            if (found < 0)
                throw UsageError("no descriptor is named \"" + descriptor + "\"");
            positions.push_back(found);
        }
        std::sort(positions.begin(), positions.end());
        positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
        file.Append(name, positions);
        context.out << "Saved \"" << name << "\" (" << positions.size() << " descriptors) in " << file.Path() << "\n";
        return kExitOk;
    }
    throw UsageError("unknown action '" + action + "' (list, show, save or delete)");
}

int Run(const std::vector<std::string>& args, CommandContext& context)
{
    return WithUsage("sets", context, args, &Sets, {}, {"--dir", "--sets-file"}, 1, 3);
}

} // namespace

int SetsCommand(const std::vector<std::string>& args, CommandContext& context) { return Run(args, context); }

} // namespace velmora::cli
