#pragma once

#include <QByteArray>
#include <QtGlobal>

// Puts an environment variable back as it was when the guard goes, however
// the test ends.
class EnvGuard {
public:
    explicit EnvGuard(const char* name)
        : name_(name), had_(qEnvironmentVariableIsSet(name)), old_(qgetenv(name)) {}
    ~EnvGuard() {
        if (had_)
            qputenv(name_, old_);
        else
            qunsetenv(name_);
    }
    EnvGuard(const EnvGuard&) = delete;
    EnvGuard& operator=(const EnvGuard&) = delete;

private:
    const char* name_;
    bool had_;
    QByteArray old_;
};
