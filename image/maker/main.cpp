// nubexa-picture-maker: draws every picture of the catalog into the client's image folder and
// writes a contact sheet. Run by the build; fails when a picture is missing or has the wrong size.
#include <QCommandLineParser>
#include <QGuiApplication>
#include <QSaveFile>

#include <cstdio>

#include "contact_sheet.h"
#include "families.h"
#include "paint_kit.h"
#include "picture_words.h"

namespace {

int fail(const QString& message) {
    std::fprintf(stderr, "nubexa-picture-maker: %s\n", message.toLocal8Bit().constData());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    // Drawing needs no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Draws the Nubexa client's pictures."));
    parser.addHelpOption();
    const QCommandLineOption out(QStringLiteral("out"), QStringLiteral("Image folder to fill."),
                                 QStringLiteral("dir"));
    const QCommandLineOption sources(QStringLiteral("sources"),
                                     QStringLiteral("Folder of the SVG sources."),
                                     QStringLiteral("dir"));
    const QCommandLineOption sheet(QStringLiteral("sheet"),
                                   QStringLiteral("Where to write the contact sheet."),
                                   QStringLiteral("png"));
    parser.addOptions({out, sources, sheet});
    parser.process(app);
    if (!parser.isSet(out) || !parser.isSet(sources))
        return fail(QStringLiteral("--out and --sources are required"));

    QString error;
    if (!nubexa::maker::checkFont(&error))
        return fail(error);

    using namespace nubexa::maker;
    PictureWriter writer(parser.value(out), parser.value(sources));
    // Every picture at 1x and 2x: Qt picks "name@2x.png" on screens of 150 % and more. Then
    // the English twins of those with words, into "en/".
    struct Pass {
        int scale;
        Words words;
    };
    for (const Pass pass : {Pass{1, Words::kChinese}, Pass{2, Words::kChinese},
                            Pass{1, Words::kEnglish}, Pass{2, Words::kEnglish}}) {
        const int scale = pass.scale;
        setWords(pass.words);
        if (pass.words == Words::kChinese)
            writer.beginPass(scale);
        else
            writer.beginWordsPass(scale, QStringLiteral("en"));
        for (const auto family : {drawAppIcons, drawSignIn, drawSkins, drawTitleBar, drawToolbar,
                                  drawDiskPage, drawFileIcons, drawDialogs}) {
            if (!family(writer))
                return fail(writer.error().isEmpty() ? QStringLiteral("a picture failed")
                                                     : writer.error());
        }
        for (const std::string& path : writer.missing())
            return fail(QStringLiteral("no drawing for %1 at %2x")
                            .arg(QString::fromStdString(path))
                            .arg(scale));
        for (const std::string& text : untranslatedWords())
            return fail(QStringLiteral("no English for \"%1\" (picture_words.cpp)")
                            .arg(QString::fromStdString(text)));
    }

    // The page area's pictures for dark desktops, into "dark/" and "dark/en/": again only
    // those that differ from the first ones.
    for (const Pass pass : {Pass{1, Words::kChinese}, Pass{2, Words::kChinese},
                            Pass{1, Words::kEnglish}, Pass{2, Words::kEnglish}}) {
        setWords(pass.words);
        setTone(Tone::kDark);
        writer.beginWordsPass(pass.scale, pass.words == Words::kChinese
                                              ? QStringLiteral("dark")
                                              : QStringLiteral("dark/en"));
        if (!drawDiskPage(writer))
            return fail(writer.error().isEmpty() ? QStringLiteral("a picture failed")
                                                 : writer.error());
    }
    setTone(Tone::kLight);

    if (parser.isSet(sheet)) {
        QSaveFile file(parser.value(sheet));
        if (!file.open(QIODevice::WriteOnly) ||
            !contactSheet(parser.value(out)).save(&file, "PNG") || !file.commit())
            return fail(QStringLiteral("cannot write %1").arg(parser.value(sheet)));
    }
    return 0;
}
