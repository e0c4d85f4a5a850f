#pragma once

#include <QByteArrayView>
#include <cerrno>
#include <unistd.h>

// Writes all of `datos` to the descriptor, across short writes and interruptions; false on an
// error (errno tells which).
inline bool EscribeTodo(int fd, QByteArrayView datos) {
    const char* p = datos.data();
    qsizetype quedan = datos.size();
    while (quedan > 0) {
        const ssize_t n = ::write(fd, p, size_t(quedan));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        p += n;
        quedan -= n;
    }
    return true;
}
