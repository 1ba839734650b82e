// The main of a suite executable: `SUITE tst_name [Qt Test arguments]` runs the
// test class of tst_name.cpp as that file's own executable would.

#include "TestSuite.h"

#include <QByteArray>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

std::map<std::string, TSuiteEntry>& Entries()
{
    static std::map<std::string, TSuiteEntry> entries;
    return entries;
}

std::string BaseName(const char* path)
{
    std::string name(path);
    if (const auto slash = name.find_last_of('/'); slash != std::string::npos)
        name.erase(0, slash + 1);
    if (const auto dot = name.rfind('.'); dot != std::string::npos)
        name.erase(dot);
    return name;
}

} // namespace

bool RegisterSuiteEntry(const char* sourceFile, TSuiteEntry entry)
{
    return Entries().emplace(BaseName(sourceFile), entry).second;
}

int main(int argc, char* argv[])
{
    const auto found = argc >= 2 ? Entries().find(argv[1]) : Entries().end();
    if (found == Entries().end()) {
        std::fprintf(stderr, "usage: %s TEST [Qt Test arguments]; TEST is one of:\n", argv[0]);
        for (const auto& [name, entry] : Entries())
            std::fprintf(stderr, "  %s\n", name.c_str());
        return 2;
    }
    // The test sees its own arguments after the program's name.
    std::vector<char*> args{argv[0]};
    args.insert(args.end(), argv + 2, argv + argc);
    args.push_back(nullptr);
    return found->second(argc - 1, args.data());
}
