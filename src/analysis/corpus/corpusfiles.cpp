#include "analysis/corpus/corpusfiles.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include <dirent.h>
#include <sys/stat.h>

namespace {

bool hasCorpusExtension(std::string_view name) {
    if (name.size() < 4) return false;
    const std::string_view tail = name.substr(name.size() - 4);
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; };
    std::string ext;
    for (char c : tail)
        ext += lower(c);
    return ext == ".txt" || ext == ".pdf";
}

QString systemReason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// Adds the corpus files under `folder` (bytes, without a trailing slash
// unless it is the root) to `found`. Names are bytes as the system keeps
// them, so that the order is that of their bytes.
void walk(const std::string& folder, std::vector<std::string>& found, QStringList* errors) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) {
        if (errors)
            errors->append(QStringLiteral("Cannot read folder \"%1\". %2")
                               .arg(QFile::decodeName(QByteArray::fromStdString(folder)),
                                    systemReason(errno)));
        return;
    }
    std::vector<std::string> folders;
    const std::string prefix = folder.ends_with('/') ? folder : folder + '/';
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..") continue;
        const std::string path = prefix + std::string(name);
        unsigned char type = entry->d_type;
        if (type == DT_UNKNOWN) {
            struct stat info {};
            if (::lstat(path.c_str(), &info) != 0) continue;
            type = S_ISDIR(info.st_mode)   ? DT_DIR
                   : S_ISLNK(info.st_mode) ? DT_LNK
                   : S_ISREG(info.st_mode) ? DT_REG
                                           : DT_UNKNOWN;
        }
        if (type == DT_DIR) {
            folders.push_back(path);
        } else if (hasCorpusExtension(name)) {
            // A link counts when it leads to a file; a link to a folder is
            // never followed.
            if (type == DT_LNK) {
                struct stat info {};
                if (::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode))
                    found.push_back(path);
            } else if (type == DT_REG) {
                found.push_back(path);
            }
        }
    }
    ::closedir(dir);
    for (const std::string& sub : folders)
        walk(sub, found, errors);
}

} // namespace

namespace CorpusFiles {

bool isCorpusFile(const QString& name) {
    return hasCorpusExtension(QFile::encodeName(name).toStdString());
}

QStringList expand(const QStringList& paths, QStringList* errors) {
    QStringList files;
    for (const QString& path : paths) {
        const QByteArray bytes = QFile::encodeName(path);
        struct stat info {};
        // A folder named directly is listed even when the name is a link.
        if (::stat(bytes.constData(), &info) != 0 || !S_ISDIR(info.st_mode)) {
            files.append(path);
            continue;
        }
        std::vector<std::string> found;
        walk(bytes.toStdString(), found, errors);
        std::sort(found.begin(), found.end());
        for (const std::string& file : found)
            files.append(QFile::decodeName(QByteArray::fromStdString(file)));
    }
    return files;
}

bool readList(std::FILE* stream, QStringList* paths, QString* error) {
    std::string all;
    char buffer[1 << 16];
    for (;;) {
        const std::size_t got = std::fread(buffer, 1, sizeof buffer, stream);
        all.append(buffer, got);
        if (got < sizeof buffer) break;
    }
    if (std::ferror(stream)) {
        if (error) *error = systemReason(errno ? errno : EIO);
        return false;
    }
    std::size_t start = 0;
    while (start < all.size()) {
        std::size_t end = all.find('\n', start);
        if (end == std::string::npos) end = all.size();
        std::size_t stop = end;
        if (stop > start && all[stop - 1] == '\r') --stop;
        if (stop > start)
            paths->append(
                QFile::decodeName(QByteArray(all.data() + start, qsizetype(stop - start))));
        start = end + 1;
    }
    return true;
}

bool readList(const QString& path, QStringList* paths, QString* error) {
    std::FILE* stream = std::fopen(QFile::encodeName(path).constData(), "rb");
    if (!stream) {
        if (error) *error = systemReason(errno);
        return false;
    }
    const bool read = readList(stream, paths, error);
    std::fclose(stream);
    return read;
}

} // namespace CorpusFiles
