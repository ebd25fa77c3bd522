#include "import/pdftextextractor.h"

#include "text/linesplitter.h"
#include "text/programfolder.h"
#include "text/textfile.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QObject>
#include <QProcess>
#include <QStringDecoder>
#include <QTemporaryDir>

namespace {

const QString ToolName = QStringLiteral("pdftotext");

QString quotedForRecord(const QString& path) {
    return u'"' + path + u'"';
}

} // namespace

bool PdfTextExtractor::loadModule(QString* error) {
    QString folderError;
    if (!loadTried_ && ProgramFolder::path(&folderError).isEmpty()) {
        loadTried_ = true;
        loadError_ = folderError;
    }
    return loadModule(modulePath(), error);
}

bool PdfTextExtractor::loadModule(const QString& path, QString* error) {
    if (!loadTried_) {
        loadTried_ = true;
        library_.setFileName(path);
        if (!library_.load()) {
            loadError_ = library_.errorString();
        } else {
            const auto initialize = reinterpret_cast<PdfModule::Initialize>(
                library_.resolve(PdfModule::InitializeName));
            // The converter process calls the rest; the module must still
            // have them all.
            const char* missing = nullptr;
            for (const char* name :
                 {PdfModule::InitializeName, PdfModule::OpenName, PdfModule::LastErrorName,
                  PdfModule::PageCountName, PdfModule::PageTextName}) {
                if (!library_.resolve(name)) {
                    missing = name;
                    break;
                }
            }
            if (missing) {
                loadError_ = QStringLiteral("The function %1 is missing from the library %2")
                                 .arg(QLatin1String(missing), library_.fileName());
            } else {
                initialize();
                loaded_ = true;
            }
        }
    }
    if (!loaded_ && error) *error = loadError_;
    return loaded_;
}

bool PdfTextExtractor::extract(const QString& pdfPath, Engine engine, QString& text,
                               QString* error) {
    return engine == Engine::Tool ? extractWithTool(pdfPath, text, error)
                                  : extractInProcess(pdfPath, text, error);
}

bool PdfTextExtractor::extractInProcess(const QString& pdfPath, QString& text, QString* error) {
    if (!loadModule(error)) return false;
    const QString path = QFileInfo(pdfPath).absoluteFilePath();
    QStringList pages;
    int openError = PdfModule::NoError;
    switch (converter_.convert(converterPath(), library_.fileName(), path, stepTimeLimit_, pages,
                               &openError, error)) {
    case PdfConverterProcess::Result::Failed:
        return false;
    case PdfConverterProcess::Result::OpenFailed:
        if (error) *error = errorText(openError);
        return false;
    case PdfConverterProcess::Result::Converted:
        break;
    }
    QString result;
    for (const QString& page : pages) {
        if (!result.isEmpty()) result += QStringLiteral("\r\r");
        result += page;
    }
    text = std::move(result);
    return true;
}

bool PdfTextExtractor::extractWithTool(const QString& pdfPath, QString& text, QString* error) {
    // A folder of its own for each run, so that two copies of the program,
    // or two runs, never share an output file.
    QTemporaryDir outputFolder;
    const QString outputPath =
        outputFolder.isValid() ? outputFolder.filePath(QStringLiteral("temp.txt")) : QString();
    const QString absolutePdf = QFileInfo(pdfPath).absoluteFilePath();
    if (outputPath.isEmpty() || !runTool(absolutePdf, outputPath))
        return extractInProcess(pdfPath, text, error);

    TextFile::Text contents;
    FileError readError;
    if (!TextFile::read(outputPath, contents, &readError)) {
        // In English like the engines' messages: the file is the tool's, not the user's.
        if (error) *error = FileErrorText::text(readError);
        return false;
    }
    QString result;
    for (const QString& line : LineSplitter::lines(contents.utf8))
        result += line + QStringLiteral("\r\n");
    text = std::move(result);
    return true;
}

bool PdfTextExtractor::runTool(const QString& pdfPath, const QString& outputPath) {
    appendLogLine(ToolName + QStringLiteral(" -enc UTF-8 ") + quotedForRecord(pdfPath) + u' ' +
                  quotedForRecord(outputPath));
    appendLogLine(QStringLiteral("Commencing processing..."));

    const QString folder = toolFolder_.isEmpty() ? toolFolder() : toolFolder_;
    if (folder.isEmpty()) return false;
    QProcess process;
    process.setProgram(folder + u'/' + ToolName);
    process.setArguments({QStringLiteral("-enc"), QStringLiteral("UTF-8"), pdfPath, outputPath});
    process.setWorkingDirectory(folder);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setInputChannelMode(QProcess::ForwardedInputChannel);

    QStringDecoder decoder(QStringDecoder::System);
    bool timedOut = false;
    // Waited for here, without an event loop: the caller may be a worker,
    // and no window's events are handled meanwhile.
    process.start(QIODevice::ReadOnly);
    if (process.waitForStarted()) {
        const QDeadlineTimer deadline(toolTimeLimit_);
        while (!process.waitForFinished(50)) {
            if (log_) *log_ += decoder(process.readAll());
            if (process.state() == QProcess::NotRunning) break;
            if (deadline.hasExpired() || PdfConverterProcess::abandoned()) {
                timedOut = true;
                break;
            }
        }
    }
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished();
    }
    if (log_) *log_ += decoder(process.readAll());

    appendLogLine(QStringLiteral("Processing completed successfully."));
    appendLogLine(QString(34, u'*'));
    appendLogLine(QString());

    // What a run cut short has written is no text of the whole document.
    if (timedOut) QFile::remove(outputPath);
    return QFileInfo::exists(outputPath);
}

void PdfTextExtractor::appendLogLine(const QString& line) {
    if (!log_) return;
    if (!log_->isEmpty() && !log_->endsWith(u'\n')) *log_ += u'\n';
    *log_ += line + u'\n';
}

QString PdfTextExtractor::modulePath() {
    return ProgramFolder::filePath(QLatin1String(PdfModule::FileName));
}

QString PdfTextExtractor::converterPath() {
    return ProgramFolder::filePath(QStringLiteral("lexometer-pdftext"));
}

QString PdfTextExtractor::toolFolder() {
    return ProgramFolder::filePath(QStringLiteral("xpdf"));
}

QString PdfTextExtractor::toolPath() {
    const QString folder = toolFolder();
    return folder.isEmpty() ? QString() : folder + u'/' + ToolName;
}

bool PdfTextExtractor::toolExists() {
    return QFileInfo::exists(toolPath());
}

QString PdfTextExtractor::errorText(int code) {
    switch (code) {
    case PdfModule::NoError:
        return QStringLiteral("No error");
    case PdfModule::FileError:
        return QStringLiteral("File not found or can't be opened");
    case PdfModule::FormatError:
        return QStringLiteral("File is not a PDF document or is corrupted");
    case PdfModule::PasswordError:
        return QStringLiteral("Password required or invalid password");
    case PdfModule::SecurityError:
        return QStringLiteral("Security scheme is not supported");
    case PdfModule::PageError:
        return QStringLiteral("Page does not exist or data error");
    default:
        return QStringLiteral("Unknown error");
    }
}
