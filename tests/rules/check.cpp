#include "check.h"

#include <cstring>
#include <vector>

namespace {

struct Test
{
    const char *name;
    check::TestFunction run;
};

std::vector<Test> &tests()
{
    static std::vector<Test> all;
    return all;
}

const char *runningTest = "";
int failures = 0;

} // namespace

check::Registration::Registration(const char *name, TestFunction run)
{
    tests().push_back({name, run});
}

void check::fail(const char *file, int line, const std::string &what)
{
    ++failures;
    std::fprintf(stderr, "%s:%d: FAIL %s", file, line, runningTest);
    if (currentRow)
        std::fprintf(stderr, ", row \"%s\"", currentRow);
    std::fprintf(stderr, ": %s\n", what.c_str());
}

// Runs every test, or those named on the command line; -list names them all.
int main(int argc, char *argv[])
{
    if (argc == 2 && std::strcmp(argv[1], "-list") == 0) {
        for (const Test &test : tests())
            std::printf("%s\n", test.name);
        return 0;
    }
    int run = 0;
    for (const Test &test : tests()) {
        bool named = argc == 1;
        for (int i = 1; i < argc; ++i)
            named = named || std::strcmp(argv[i], test.name) == 0;
        if (named) {
            runningTest = test.name;
            test.run();
            ++run;
        }
    }
    if (run < argc - 1) {
        std::fprintf(stderr, "unknown test name among the arguments\n");
        return 2;
    }
    std::printf("%d tests run, %d checks failed\n", run, failures);
    return failures == 0 ? 0 : 1;
}
