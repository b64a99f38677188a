// q7prjmerge-cli: the merge of the dialog, without a window.
//
//   q7prjmerge-cli --dir DIR --name NAME [--json] PROJECT.Q7D [PROJECT.Q7D ...]
//   q7prjmerge-cli --check [--tolerance D] [--json] PROJECT.Q7D [PROJECT.Q7D ...]
//
// Exit codes: 0 the merge ran to its end and every step succeeded; 1 a step
// failed (the merge ran to its end, or stopped before the solver when its
// input list or position file could not be written); 2 it did not start.

#include "checkcommand.h"
#include "consolemessages.h"
#include "mergelog.h"
#include "mergereportjson.h"
#include "mergeworkflow.h"
#include "projectfile.h"
#include "q7version.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonDocument>
#include <QLoggingCategory>
#include <csignal>
#include <cstdio>
#include <unistd.h>

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
        "written); 2 the merge did not start (usage, a listed file missing or not a readable\n"
        "project file, empty --dir or --name, an output that would overwrite a source\n"
        "project's file, folder not made).\n\n"
        "Every merge that starts appends a record to DIR/NAME/Log/merge.log.");
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions({{"dir", "Folder in which the new project's folder is made (prjDir).", "DIR"},
                       {"name", "The new project's name (PrjName).", "NAME"},
                       {"timings", "Print the time each step took and the peak memory of the\n"
                                   "program and of the solver on standard output."},
                       {"verbose", "Show the merge's diagnostic lines on standard error."},
                       {"json", "Print the report as one JSON object on standard output instead of\n"
                                "the summary and timings: steps, counts, output files and exit code."},
                       {"check", "Only check the projects before a merge: print the findings (an unconnected\n"
                                 "block, shared images far apart, a block in degrees, a name listed twice)\n"
                                 "and the pairs that share images. Writes nothing; exits 0 when nothing was\n"
                                 "found, 1 when something was."},
                       {"tolerance", "Shared images whose positions lie farther apart than this, in the\n"
                                     "positions' unit, are a finding (default 1.0).", "DISTANCE", "1.0"}});
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

// On a terminal, the step that is running, on one line that the next step
// or message writes over.
void showStep(const QString &step)
{
    std::fprintf(stderr, "\033[K%s...\r", step.toLocal8Bit().constData());
    std::fflush(stderr);
}

void printJson(const MergeReport &report, int exitCode)
{
    QJsonObject json = mergeReportJson(report);
    json.insert("exitCode", exitCode);
    std::printf("%s\n", QJsonDocument(json).toJson(QJsonDocument::Compact).constData());
}

// Names on standard error every listed file that is missing or not a
// readable project file; true when there is none.
bool allProjectFilesReadable(const QStringList &files)
{
    bool readable = true;
    for (const QString &file : files) {
        if (isProjectFile(file))
            continue;
        const char *what = QFileInfo::exists(file) ? "Not a readable project file" : "No such project file";
        std::fprintf(stderr, "%s: %s\n", what, qPrintable(file));
        readable = false;
    }
    return readable;
}

} // namespace

int main(int argc, char *argv[])
{
    // A file outgrowing the size limit fails its write, which the merge
    // reports, instead of ending the program half-way.
    std::signal(SIGXFSZ, SIG_IGN);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(Q7_VERSION);
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
    if (parser.isSet("version")) {
        std::printf("q7prjmerge-cli %s\n", Q7_VERSION);
        return Succeeded;
    }
    const bool checkOnly = parser.isSet("check");
    if (parser.positionalArguments().isEmpty() || (!checkOnly && (!parser.isSet("dir") || !parser.isSet("name")))) {
        std::fprintf(stderr, "%s", qPrintable(parser.helpText()));
        return NotStarted;
    }

    // Refused before anything is written.
    if (!allProjectFilesReadable(parser.positionalArguments()))
        return NotStarted;
    bool toleranceOk = false;
    const double tolerance = parser.value("tolerance").toDouble(&toleranceOk);
    if (!toleranceOk || !(tolerance >= 0)) {
        std::fprintf(stderr, "--tolerance needs a distance of at least 0, not %s\n", qPrintable(parser.value("tolerance")));
        return NotStarted;
    }
    if (checkOnly)
        return runReadinessCheck(parser.positionalArguments(), tolerance, parser.isSet("json"));

    if (!parser.isSet("verbose"))
        QLoggingCategory::setFilterRules("default.debug=false");

    const MergeRequest request{parser.positionalArguments(), parser.value("dir"), parser.value("name"), tolerance};
    ConsoleMessages messages;
    MergeWorkflow workflow(messages);
    workflow.setStartedAs("batch program: " + commandLine(app.arguments()));
    const bool onTerminal = isatty(STDERR_FILENO);
    if (onTerminal)
        workflow.setProgress({showStep, {}, {}});
    const MergeReport report = workflow.mergePrj(request);
    if (onTerminal)
        std::fprintf(stderr, "\033[K");
    const int exitCode = !report.started ? NotStarted : report.succeeded() ? Succeeded : StepFailed;
    if (parser.isSet("json")) {
        printJson(report, exitCode);
        return exitCode;
    }
    if (!report.started)
        return NotStarted;
    std::printf("%s\n", qPrintable(report.summary()));
    if (parser.isSet("timings")) {
        std::printf("%s", qPrintable(report.timings()));
        printPeakMemory();
    }
    return exitCode;
}
