// Command-line parsing for the subcommands.
#include "cli/CCliArgs.h"

bool CCliArgs::Parse(int argc, char** argv, int first, const COptionSet& options, std::string& error)
{
    bool optionsEnded = false;
    for (int i = first; i < argc; ++i) {
        const std::string arg = argv[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            positional.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        std::string name = arg;
        std::optional<std::string> inlineValue;
        const size_t equals = arg.find('=');
        if (arg.rfind("--", 0) == 0 && equals != std::string::npos) {
            name = arg.substr(0, equals);
            inlineValue = arg.substr(equals + 1);
        }
        const auto alias = options.aliases.find(name);
        if (alias != options.aliases.end())
            name = alias->second;
        if (!Take(name, inlineValue, argc, argv, i, options, error))
            return false;
    }
    return true;
}

bool CCliArgs::Take(const std::string& name, const std::optional<std::string>& inlineValue, int argc,
                    char** argv, int& i, const COptionSet& options, std::string& error)
{
    if (options.flags.count(name)) {
        if (inlineValue) {
            error = "option " + name + " takes no value";
            return false;
        }
        flags.insert(name);
        return true;
    }
    if (!options.values.count(name)) {
        error = "unknown option " + std::string(argv[i]);
        return false;
    }
    if (values.count(name)) {
        error = "option " + name + " given twice";
        return false;
    }
    if (inlineValue) {
        values[name] = *inlineValue;
        return true;
    }
    if (i + 1 >= argc) {
        error = "option " + name + " needs a value";
        return false;
    }
    values[name] = argv[++i];
    return true;
}

std::optional<std::string> CCliArgs::Value(const std::string& option) const
{
    const auto found = values.find(option);
    if (found == values.end())
        return std::nullopt;
    return found->second;
}
