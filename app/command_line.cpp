#include "app/command_line.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <cstdio>

#include "app/version.h"
#include "framework/file_name.h"

namespace zolva {

namespace {

constexpr int kUsageError = 2;

void print(std::FILE* stream, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

// The options the application object takes for itself. They are accepted here and left
// in argv, where it finds them.
void acceptToolkitOptions(QCommandLineParser& parser) {
    for (const char* name :
         {"platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
          "qwindowicon", "qwindowtitle", "display", "geometry", "style", "stylesheet", "session"}) {
        QCommandLineOption option(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const char* name : {"reverse", "widgetcount", "nograb", "dograb", "sync"}) {
        QCommandLineOption option(QString::fromLatin1(name));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
}

CommandLine parse(const QStringList& arguments) {
    QCommandLineParser parser;
    // So "-platform xcb" reads as the toolkit's option, not as six one-letter ones.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(
        QStringLiteral("A sliding-picture puzzle: slide the tiles back until the picture is "
                       "whole again."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.addPositionalArgument(
        QStringLiteral("picture"),
        QStringLiteral("A picture file (BMP, GIF, JPEG, PCX, PNG, TGA, TIFF or WMF) to play "
                       "with, as if chosen with Custom Picture."),
        QStringLiteral("[picture]"));
    acceptToolkitOptions(parser);

    const QString program = QStringLiteral("zolva-puzzle");
    QString mistake;
    if (!parser.parse(arguments)) {
        mistake = parser.errorText();
    } else if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        print(stdout, parser.helpText());
        return {0, {}};
    } else if (parser.isSet(version)) {
        print(stdout, QStringLiteral("Zolva Puzzle " ZOLVA_VERSION "\n"));
        return {0, {}};
    } else if (parser.positionalArguments().size() > 1) {
        mistake = QStringLiteral("Only one picture can be opened.");
    }
    if (!mistake.isEmpty()) {
        print(stderr, QStringLiteral("%1: %2\nUsage: %1 [options] [picture]  (see %1 --help)\n")
                          .arg(program, mistake));
        return {kUsageError, {}};
    }
    CommandLine line;
    if (const QStringList pictures = parser.positionalArguments();
        !pictures.isEmpty() && !pictures.constFirst().isEmpty()) {
        // Stored for the next start, which may run in another folder.
        // Joined as text, not through the file system, which would lose a non-UTF-8 name.
        const QString& picture = pictures.constFirst();
        line.picture = QDir::isAbsolutePath(picture)
                           ? QDir::cleanPath(picture)
                           : QDir::cleanPath(QDir::currentPath() + QLatin1Char('/') + picture);
    }
    return line;
}

}  // namespace

CommandLine readCommandLine(int argc, char** argv) {
    if (argc <= 1) {
        return {};
    }
    // No window system yet. The arguments are taken as file names are, byte for byte, so a
    // picture whose name is not valid UTF-8 still opens.
    QCoreApplication application(argc, argv);
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << fileNameFromBytes(QByteArray(argv[i]));
    }
    return parse(arguments);
}

}  // namespace zolva
