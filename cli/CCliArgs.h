// The command line of one subcommand: positional arguments, options with a value, and flags.
#pragma once

#include <initializer_list>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

class CCliArgs {
public:
    // The options a subcommand knows: those that take a value ("--tempo", "-o") and plain flags.
    // A one-letter alias maps to its long name ({"-o", "--output"}).
    struct COptionSet {
        std::set<std::string> values;
        std::set<std::string> flags;
        std::map<std::string, std::string> aliases;
    };

    // Reads argv[first..argc). "--name=value" and "--name value" both give a value; "--" ends the
    // options. False, with `error` set, for an unknown option, a flag given a value, a value option
    // without one, or an option given twice.
    bool Parse(int argc, char** argv, int first, const COptionSet& options, std::string& error);

    const std::vector<std::string>& Positional() const { return positional; }
    bool Has(const std::string& flag) const { return flags.count(flag) != 0; }
    std::optional<std::string> Value(const std::string& option) const;

private:
    bool Take(const std::string& name, const std::optional<std::string>& inlineValue, int argc, char** argv,
              int& i, const COptionSet& options, std::string& error);

    std::vector<std::string> positional;
    std::set<std::string> flags;
    std::map<std::string, std::string> values;
};
