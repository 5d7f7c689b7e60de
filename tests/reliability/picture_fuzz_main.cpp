// The long hostile-picture run: the same seeded cases as the bounded test, as many per
// format as asked for. Before each case its number and mutations go to <work>/current.txt
// and its bytes to <work>/case.img, so after a crash those two files are the reproducer.
//
//   zolva-picture-fuzz --cases N [--seed S] [--format F] [--first K] [--work DIR] [--seeds yes]
//
// --seeds yes runs every intact seed file first (the leak check uses it to load each format
// the clean way too).
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "reliability/hostile_files.h"
#include "reliability/picture_fuzzer.h"

using namespace zolva::reliability;

namespace {

struct Options {
    std::uint64_t cases = 1000;
    std::uint32_t seed = 20240917;
    std::uint64_t first = 0;
    QString format;
    QString work;
    bool seeds = false;
};

std::optional<Options> parse(const QStringList& args) {
    Options o;
    for (qsizetype i = 1; i + 1 < args.size(); i += 2) {
        const QString& key = args[i];
        const QString& value = args[i + 1];
        bool ok = true;
        if (key == "--cases") {
            o.cases = value.toULongLong(&ok);
        } else if (key == "--seed") {
            o.seed = value.toUInt(&ok);
        } else if (key == "--first") {
            o.first = value.toULongLong(&ok);
        } else if (key == "--format") {
            o.format = value;
            ok = seedFormats().contains(value);
        } else if (key == "--work") {
            o.work = value;
        } else if (key == "--seeds") {
            o.seeds = value == "yes";
        } else {
            ok = false;
        }
        if (!ok) {
            return std::nullopt;
        }
    }
    if (args.size() % 2 == 0) {
        return std::nullopt;
    }
    return o;
}

void note(const QString& path, const QByteArray& text) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        file.write(text);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    QGuiApplication app(argc, argv);
    const std::optional<Options> options = parse(app.arguments());
    if (!options) {
        std::fprintf(stderr,
                     "usage: zolva-picture-fuzz --cases N [--seed S] [--format F] [--first K] "
                     "[--work DIR] [--seeds yes]\n");
        return 2;
    }
    QTemporaryDir scratch;
    const QString work = options->work.isEmpty() ? scratch.path() : options->work;
    QDir().mkpath(work);
    PictureFuzzer fuzzer(work);

    const QStringList formats =
        options->format.isEmpty() ? seedFormats() : QStringList{options->format};
    std::uint64_t problems = 0;
    for (const QString& format : formats) {
        const std::vector<SeedFile> seeds = seedFiles(format);
        const FuzzTally before = fuzzer.tally();
        std::uint64_t formatProblems = 0;
        for (const SeedFile& seed : options->seeds ? seeds : std::vector<SeedFile>{}) {
            const std::string problem = fuzzer.runCase(seed.bytes);
            if (!problem.empty()) {
                ++formatProblems;
                std::printf("PROBLEM %s seed %s: %s\n", qPrintable(format), qPrintable(seed.label),
                            problem.c_str());
            }
        }
        for (std::uint64_t i = options->first; i < options->first + options->cases; ++i) {
            QString what;
            const QByteArray data = mutatedCase(seeds, options->seed, i, &what);
            note(QDir(work).filePath("current.txt"),
                 QStringLiteral("--format %1 --seed %2 --first %3 --cases 1\n%4\n")
                     .arg(format)
                     .arg(options->seed)
                     .arg(i)
                     .arg(what)
                     .toUtf8());
            const std::string problem = fuzzer.runCase(data);
            if (!problem.empty()) {
                ++formatProblems;
                std::printf("PROBLEM %s case %llu (%s): %s\n", qPrintable(format),
                            static_cast<unsigned long long>(i), qPrintable(what), problem.c_str());
            }
        }
        const FuzzTally& after = fuzzer.tally();
        std::printf("%-5s cases %llu  loaded %llu  refused %llu  problems %llu\n",
                    qPrintable(format), static_cast<unsigned long long>(after.cases - before.cases),
                    static_cast<unsigned long long>(after.loaded - before.loaded),
                    static_cast<unsigned long long>(after.refused - before.refused),
                    static_cast<unsigned long long>(formatProblems));
        std::fflush(stdout);
        problems += formatProblems;
    }
    std::printf("total cases %llu  problems %llu\n",
                static_cast<unsigned long long>(fuzzer.tally().cases),
                static_cast<unsigned long long>(problems));
    return problems == 0 ? 0 : 1;
}
