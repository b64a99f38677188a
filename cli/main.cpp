// q7prjmerge-cli: the merge of the dialog, without a window.
//
//   q7prjmerge-cli --dir DIR --name NAME PROJECT.Q7D [PROJECT.Q7D ...]
//
// Exit codes: 0 the merge ran to its end and every step succeeded; 1 a step
// failed (the merge ran to its end, or stopped before the solver when its
// input list or position file could not be written); 2 it did not start.

#include "consolemessages.h"
#include "mergeworkflow.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QLoggingCategory>
#include <csignal>
#include <cstdio>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#endif

namespace {

enum ExitCode { Succeeded = 0, StepFailed = 1, NotStarted = 2 };

void describe(QCommandLineParser &parser)
{
    parser.setApplicationDescription(
        "Merges source projects into one new project, as the MergePrj button of q7prjmerge does:\n"
        "makes DIR/NAME with its subfolders, writes the solver's input list and the merged\n"
        "position file, runs AT/Z7Uzurer, and writes NAME.cmr, NAME.lst, NAME.Q7D and the\n"
        "photo database NAME.temp. The new project takes its parameters from the first\n"
        "project file.\n\n"
        "Exit codes: 0 every step succeeded; 1 a step failed (the merge ran to its end, or\n"
        "stopped before the solver when its input list or position file could not be\n"
        "written); 2 the merge did not start (usage, empty --dir or --name, an output that would\n"
        "overwrite a source project's file, folder not made).");
    parser.addHelpOption();
    parser.addOptions({{"dir", "Folder in which the new project's folder is made (prjDir).", "DIR"},
                       {"name", "The new project's name (PrjName).", "NAME"},
                       {"timings", "Print the time each step took and the peak memory of the\n"
                                   "program and of the solver on standard output."},
                       {"verbose", "Show the merge's diagnostic lines on standard error."}});
    parser.addPositionalArgument("projects", "Source project files (.Q7D), in merge order.", "PROJECT.Q7D...");
}

// The peak resident memory of this program and of the largest program it
// ran and waited for (the solver), as the system counts them.
void printPeakMemory()
{
#ifdef Q_OS_UNIX
    rusage self{};
    rusage children{};
    if (getrusage(RUSAGE_SELF, &self) != 0 || getrusage(RUSAGE_CHILDREN, &children) != 0)
        return;
    std::printf("%-22s %8ld KiB\n", "peak memory:", self.ru_maxrss);
    std::printf("%-22s %8ld KiB\n", "solver peak memory:", children.ru_maxrss);
#endif
}

} // namespace

int main(int argc, char *argv[])
{
    // A file outgrowing the size limit fails its write, which the merge
    // reports, instead of ending the program half-way.
    std::signal(SIGXFSZ, SIG_IGN);
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    describe(parser);
    if (!parser.parse(app.arguments())) {
        std::fprintf(stderr, "%s\n", qPrintable(parser.errorText()));
        return NotStarted;
    }
    if (parser.isSet("help")) {
        std::printf("%s", qPrintable(parser.helpText()));
        return Succeeded;
    }
    if (parser.positionalArguments().isEmpty() || !parser.isSet("dir") || !parser.isSet("name")) {
        std::fprintf(stderr, "%s", qPrintable(parser.helpText()));
        return NotStarted;
    }

    if (!parser.isSet("verbose"))
        QLoggingCategory::setFilterRules("default.debug=false");

    const MergeRequest request{parser.positionalArguments(), parser.value("dir"), parser.value("name")};
    ConsoleMessages messages;
    MergeWorkflow workflow(messages);
    const MergeReport report = workflow.mergePrj(request);
    if (!report.started)
        return NotStarted;
    std::printf("%s\n", qPrintable(report.summary()));
    if (parser.isSet("timings")) {
        std::printf("%s", qPrintable(report.timings()));
        printPeakMemory();
    }
    return report.succeeded() ? Succeeded : StepFailed;
}
