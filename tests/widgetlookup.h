#pragma once

#include <QObject>
#include <QString>
#include <QTest>

#include <exception>

// Thrown after the failure is recorded, so that a test stops at a missing
// widget instead of following a null pointer.
struct MissingChild : std::exception {
    const char* what() const noexcept override { return "missing child object"; }
};

// The child of `parent` (at any depth) of type T named `name`. A missing one
// fails the test with the name it looked for.
template <typename T>
T* findWidget(const QObject* parent, const char* name, const char* file = __builtin_FILE(),
              int line = __builtin_LINE()) {
    T* found = parent ? parent->findChild<T*>(QString::fromLatin1(name)) : nullptr;
    if (!found) {
        const QByteArray message = QByteArray("No child object named \"") + name + "\" of type " +
                                   T::staticMetaObject.className();
        QTest::qFail(message.constData(), file, line);
        throw MissingChild();
    }
    return found;
}
