#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

#include <memory>

// The tree that `cmake --install` writes, checked as a desktop, a manual reader and a
// distribution see it: every file in its place, the programs answering without a display,
// the same version everywhere, and the desktop entry and metainfo passing their validators.
namespace {

const QString appId = QStringLiteral(CONCORDA_APP_ID);
const QString version = QStringLiteral(CONCORDA_VERSION);
const int iconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

struct Run
{
    bool finished = false;
    int exitCode = -1;
    QByteArray standardOutput;
    QByteArray standardError;
};

// Runs a program as a user without a display would: no X11 or Wayland display and no Qt
// platform chosen.
Run run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *display : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QLatin1String(display));
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    Run result;
    result.finished =
        process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit;
    if (!result.finished)
        process.kill();
    process.waitForFinished();
    result.exitCode = process.exitCode();
    result.standardOutput = process.readAllStandardOutput();
    result.standardError = process.readAllStandardError();
    return result;
}

QString describe(const Run &result)
{
    return QStringLiteral("exit code %1, output \"%2\", errors \"%3\"")
        .arg(result.finished ? QString::number(result.exitCode)
                                : QStringLiteral("none (crashed or timed out)"),
             QString::fromLocal8Bit(result.standardOutput.left(500)),
             QString::fromLocal8Bit(result.standardError.left(500)));
}

QString uncompressed(const QString &gzipFile)
{
    const Run result = run(QStringLiteral("gzip"), {QStringLiteral("-dc"), gzipFile});
    return result.finished && result.exitCode == 0 ? QString::fromUtf8(result.standardOutput)
                                                   : QString();
}

QString text(const QString &fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// The long options a program's --help lists, such as "--gold".
QStringList longOptions(const QString &help)
{
    QStringList options;
    const QRegularExpression option(QStringLiteral("^\\s+(?:-\\S+, )?(--[a-z][a-z-]*)"),
                                    QRegularExpression::MultilineOption);
    for (auto match = option.globalMatch(help); match.hasNext();)
        options.append(match.next().captured(1));
    return options;
}

// The "Key=value" lines of a desktop entry's main group.
QMap<QString, QString> desktopEntry(const QString &fileName)
{
    QMap<QString, QString> keys;
    for (const QString &line : text(fileName).split(QLatin1Char('\n'))) {
        const int equals = line.indexOf(QLatin1Char('='));
        if (equals > 0 && !line.startsWith(QLatin1Char('#')))
            keys.insert(line.left(equals).trimmed(), line.mid(equals + 1).trimmed());
    }
    return keys;
}

// The mean difference of two images of one size over the four premultiplied channels, as a
// share of the full scale: 0 for the same picture, 1 for opaque white against transparent.
double meanDifference(const QImage &a, const QImage &b)
{
    const QImage left = a.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage right = b.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    double sum = 0;
    for (int y = 0; y < left.height(); ++y) {
        for (int x = 0; x < left.width(); ++x) {
            const QRgb p = left.pixel(x, y);
            const QRgb q = right.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q))
                   + std::abs(qBlue(p) - qBlue(q)) + std::abs(qAlpha(p) - qAlpha(q));
        }
    }
    return sum / (4.0 * 255.0 * left.width() * left.height());
}

// An image averaged down to 4 x 4 pixels.
QImage coarse(const QImage &image)
{
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied)
        .scaled(4, 4, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

// The name and the version in a manual page's title line, such as
// .TH CONCORDA-REPORT "1" "December 2026" "concorda-report 1.0.0" "User Commands"
QStringList manTitle(const QString &source)
{
    const QRegularExpression title(
        QStringLiteral("^\\.TH \"?([^\" ]+)\"? \"?1\"? \"[^\"]*\" \"\\S+ ([^\"]*)\""),
        QRegularExpression::MultilineOption);
    const QRegularExpressionMatch match = title.match(source);
    return {match.captured(1), match.captured(2)};
}

} // namespace

class tst_InstallTree : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void installedFiles();
    void answersWithoutDisplay_data();
    void answersWithoutDisplay();
    void oneVersion_data();
    void oneVersion();
    void manPages_data();
    void manPages();
    void desktopEntry();
    void metainfo();
    void icons_data();
    void icons();

private:
    QString path(const QString &relative) const { return prefix.filePath(relative); }

    std::unique_ptr<QTemporaryDir> scratch;
    QDir prefix;
};

void tst_InstallTree::initTestCase()
{
    scratch = std::make_unique<QTemporaryDir>();
    QVERIFY(scratch->isValid());
    prefix = QDir(scratch->path());
    const Run install = run(QStringLiteral(CONCORDA_CMAKE),
                            {QStringLiteral("--install"), QStringLiteral(CONCORDA_BUILD_DIR),
                             QStringLiteral("--prefix"), prefix.path()});
    QVERIFY2(install.finished && install.exitCode == 0, qPrintable(describe(install)));
}

void tst_InstallTree::installedFiles()
{
    QStringList expected = {
        QStringLiteral("bin/concorda"),
        QStringLiteral("bin/concorda-report"),
        QStringLiteral("share/applications/%1.desktop").arg(appId),
        QStringLiteral("share/metainfo/%1.metainfo.xml").arg(appId),
        QStringLiteral("share/icons/hicolor/scalable/apps/%1.svg").arg(appId),
        QStringLiteral("share/man/man1/concorda.1.gz"),
        QStringLiteral("share/man/man1/concorda-report.1.gz"),
        QStringLiteral("share/doc/concorda/user-guide.md"),
        QStringLiteral("share/doc/concorda/copyright"),
        QStringLiteral("share/doc/concorda/changelog.gz"),
        QStringLiteral("share/doc/concorda/examples/README.md"),
        QStringLiteral("share/doc/concorda/examples/glucose_meters.csv"),
        QStringLiteral("share/doc/concorda/examples/hba1c_analysers.csv"),
    };
    for (int size : iconSizes)
        expected << QStringLiteral("share/icons/hicolor/%1x%1/apps/%2.png").arg(size).arg(appId);

    QStringList installed;
    for (QDirIterator it(prefix.path(), QDir::Files, QDirIterator::Subdirectories); it.hasNext();)
        installed << prefix.relativeFilePath(it.next());

    QStringList missing;
    for (const QString &file : expected) {
        if (!installed.contains(file))
            missing << file;
    }
    QStringList unexpected;
    for (const QString &file : installed) {
        if (!expected.contains(file))
            unexpected << file;
    }
    QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QLatin1Char(' '))));
    QVERIFY2(unexpected.isEmpty(), qPrintable(unexpected.join(QLatin1Char(' '))));
    for (const char *program : {"bin/concorda", "bin/concorda-report"})
        QVERIFY2(QFileInfo(path(QLatin1String(program))).isExecutable(), program);
}

void tst_InstallTree::answersWithoutDisplay_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("expectedStart");

    for (const char *program : {"concorda", "concorda-report"}) {
        const QString name = QLatin1String(program);
        QTest::addRow("%s --help", program) << name << QStringLiteral("--help")
                                            << QStringLiteral("Usage: ");
        QTest::addRow("%s --version", program) << name << QStringLiteral("--version")
                                               << QStringLiteral("%1 %2\n").arg(name, version);
    }
}

void tst_InstallTree::answersWithoutDisplay()
{
    QFETCH(QString, program);
    QFETCH(QString, option);
    QFETCH(QString, expectedStart);

    const Run result = run(path(QStringLiteral("bin/") + program), {option});
    QVERIFY2(result.finished && result.exitCode == 0, qPrintable(describe(result)));
    QVERIFY2(QString::fromLocal8Bit(result.standardOutput).startsWith(expectedStart),
             qPrintable(describe(result)));
}

// Every place a user or a package manager reads the version from says the project's one.
void tst_InstallTree::oneVersion_data()
{
    QTest::addColumn<QString>("found");

    const QString metainfo =
        text(path(QStringLiteral("share/metainfo/%1.metainfo.xml").arg(appId)));
    const QRegularExpression release(QStringLiteral("<release version=\"([^\"]*)\""));
    QTest::newRow("metainfo release") << release.match(metainfo).captured(1);

    for (const char *page : {"concorda", "concorda-report"}) {
        const QString source =
            uncompressed(path(QStringLiteral("share/man/man1/%1.1.gz").arg(QLatin1String(page))));
        QTest::addRow("manual page of %s", page) << manTitle(source).value(1);
    }

    const QString changelog = uncompressed(path(QStringLiteral("share/doc/concorda/changelog.gz")));
    const QRegularExpression entry(QStringLiteral("^concorda \\(([^)]*)\\)"));
    QTest::newRow("changelog") << entry.match(changelog).captured(1);
}

void tst_InstallTree::oneVersion()
{
    QFETCH(QString, found);
    QCOMPARE(found, version);
}

void tst_InstallTree::manPages_data()
{
    QTest::addColumn<QString>("program");
    QTest::newRow("concorda") << QStringLiteral("concorda");
    QTest::newRow("concorda-report") << QStringLiteral("concorda-report");
}

// A page describes the program as it is: each option its --help lists, and files that the
// installation holds. groff reads it without a warning.
void tst_InstallTree::manPages()
{
    QFETCH(QString, program);

    const QString page = path(QStringLiteral("share/man/man1/%1.1.gz").arg(program));
    const QString source = uncompressed(page);
    QCOMPARE(manTitle(source).value(0), program.toUpper());

    const Run help = run(path(QStringLiteral("bin/") + program), {QStringLiteral("--help")});
    QVERIFY2(help.finished && help.exitCode == 0, qPrintable(describe(help)));
    const QStringList options = longOptions(QString::fromLocal8Bit(help.standardOutput));
    QVERIFY2(options.contains(QStringLiteral("--version")), qPrintable(describe(help)));
    for (const QString &option : options) {
        QString written = option;
        written.replace(QLatin1Char('-'), QStringLiteral("\\-"));
        QVERIFY2(source.contains(written), qPrintable(program + QStringLiteral(": ") + option));
    }

    // The FILES section names paths under the configured prefix; each must be installed.
    const QRegularExpression file(QStringLiteral("^\\.I (/\\S+)$"),
                                  QRegularExpression::MultilineOption);
    int files = 0;
    for (auto match = file.globalMatch(source); match.hasNext(); ++files) {
        QString installed = match.next().captured(1);
        installed.remove(0, QStringLiteral(CONCORDA_INSTALL_PREFIX).size() + 1);
        QVERIFY2(QFileInfo::exists(path(installed)), qPrintable(installed));
    }
    QVERIFY(files >= 2);

    const QString roff = QDir(scratch->path()).filePath(program + QStringLiteral(".1"));
    QFile out(roff);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(source.toUtf8());
    out.close();
    const Run groff = run(QStringLiteral("groff"), {QStringLiteral("-man"), QStringLiteral("-ww"),
                                                    QStringLiteral("-z"), roff});
    QVERIFY2(groff.finished && groff.exitCode == 0 && groff.standardError.isEmpty(),
             qPrintable(describe(groff)));
}

void tst_InstallTree::desktopEntry()
{
    const QString fileName = path(QStringLiteral("share/applications/%1.desktop").arg(appId));
    const QMap<QString, QString> keys = ::desktopEntry(fileName);

    QCOMPARE(keys.value(QStringLiteral("Type")), QStringLiteral("Application"));
    QCOMPARE(keys.value(QStringLiteral("Exec")), QStringLiteral("concorda %f"));
    QCOMPARE(keys.value(QStringLiteral("Categories")), QStringLiteral("Science;Education;Math;"));
    QCOMPARE(keys.value(QStringLiteral("MimeType")),
             QStringLiteral("text/csv;text/tab-separated-values;"));
    QCOMPARE(keys.value(QStringLiteral("Icon")), appId);
    QVERIFY(!keys.value(QStringLiteral("Name")).isEmpty());
    QVERIFY(!keys.value(QStringLiteral("Comment")).isEmpty());

    // desktop-file-validate prints hints (the two main categories that the menu layout
    // asks for are one) but fails only on errors.
    const Run validate = run(QStringLiteral("desktop-file-validate"), {fileName});
    QVERIFY2(validate.finished && validate.exitCode == 0
                 && !validate.standardOutput.contains("error:"),
             qPrintable(describe(validate)));
}

void tst_InstallTree::metainfo()
{
    const QString fileName = path(QStringLiteral("share/metainfo/%1.metainfo.xml").arg(appId));
    // AppStream 1.0 (Debian 13) warns that the metainfo names no homepage, which the
    // project does not have yet; any other warning or error fails.
    const Run validate = run(QStringLiteral("appstreamcli"),
                             {QStringLiteral("validate"), QStringLiteral("--no-net"), fileName});
    QVERIFY2(validate.finished, qPrintable(describe(validate)));
    bool onlyHomepageMissing = validate.exitCode != 0;
    for (const QByteArray &line : validate.standardOutput.split('\n')) {
        if ((line.startsWith("E:") || line.startsWith("W:")) && !line.endsWith(": url-homepage-missing"))
            onlyHomepageMissing = false;
    }
    QVERIFY2(validate.exitCode == 0 || onlyHomepageMissing, qPrintable(describe(validate)));

    QFile file(fileName);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&file);
    QMap<QString, QStringList> elements;
    QString releaseDate;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QString name = xml.name().toString();
        if (name == QLatin1String("release"))
            releaseDate = xml.attributes().value(QStringLiteral("date")).toString();
        if (name == QLatin1String("id") || name == QLatin1String("launchable")
            || name == QLatin1String("binary") || name == QLatin1String("image")
            || name == QLatin1String("project_license"))
            elements[name] << xml.readElementText();
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));

    QCOMPARE(elements.value(QStringLiteral("id")), QStringList{appId});
    QCOMPARE(elements.value(QStringLiteral("launchable")),
             QStringList{appId + QStringLiteral(".desktop")});
    QCOMPARE(elements.value(QStringLiteral("project_license")),
             QStringList{QStringLiteral("GPL-3.0-or-later")});
    QCOMPARE(releaseDate, QStringLiteral(CONCORDA_RELEASE_DATE));
    const QStringList images = elements.value(QStringLiteral("image"));
    QCOMPARE(images.size(), 1);
    QVERIFY2(images.first().startsWith(QLatin1String("https://")), qPrintable(images.first()));
    const QStringList binaries = elements.value(QStringLiteral("binary"));
    QCOMPARE(binaries.size(), 2);
    for (const QString &binary : binaries)
        QVERIFY2(QFileInfo(path(QStringLiteral("bin/") + binary)).isExecutable(),
                 qPrintable(binary));
}

void tst_InstallTree::icons_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<double>("tolerance");

    // The bitmaps are drawn on whole pixels, so the smaller ones differ more from the
    // scalable drawing rendered at their size; the 256-pixel one is the drawing itself and
    // is compared pixel by pixel.
    for (int size : iconSizes) {
        const double tolerance = size == 256 ? 0.002 : size >= 32 ? 0.03 : 0.075;
        QTest::addRow("%dx%d", size, size) << size << tolerance;
    }
}

// Each bitmap has the size its folder names, a transparent corner and an opaque centre, and
// shows the picture the scalable icon shows, rendered independently by Qt's SVG renderer.
void tst_InstallTree::icons()
{
    QFETCH(int, size);
    QFETCH(double, tolerance);

    const QString png =
        path(QStringLiteral("share/icons/hicolor/%1x%1/apps/%2.png").arg(size).arg(appId));
    const QImage bitmap(png);
    QVERIFY2(!bitmap.isNull(), qPrintable(png));
    QCOMPARE(bitmap.size(), QSize(size, size));
    QVERIFY(bitmap.hasAlphaChannel());
    QCOMPARE(qAlpha(bitmap.pixel(0, 0)), 0);
    QCOMPARE(qAlpha(bitmap.pixel(size / 2, size / 2)), 255);

    QSvgRenderer svg(path(QStringLiteral("share/icons/hicolor/scalable/apps/%1.svg").arg(appId)));
    QVERIFY(svg.isValid());
    QImage rendered(size, size, QImage::Format_ARGB32_Premultiplied);
    rendered.fill(Qt::transparent);
    QPainter painter(&rendered);
    svg.render(&painter);
    painter.end();

    // Shifts of half a pixel from the hinting weigh little on a 4 x 4 grid of averages; a
    // different picture (the bars mirrored, say) does not.
    const double difference =
        size == 256 ? meanDifference(bitmap, rendered)
                    : meanDifference(coarse(bitmap), coarse(rendered));
    QVERIFY2(difference <= tolerance, qPrintable(QString::number(difference)));
}

QTEST_MAIN(tst_InstallTree)
#include "tst_installtree.moc"
