#include "mainwindow/fuente_volumenes.h"

#include <QFileInfo>
#include <QSocketNotifier>
#include <QStorageInfo>
#include <fcntl.h>
#include <unistd.h>

namespace {
// Kernel and memory file systems hold no reports.
bool EsSistemaVirtual(const QByteArray& tipo) {
    static const QList<QByteArray> virtuales = {
        "proc",      "sysfs",      "devtmpfs",   "devpts",  "tmpfs",   "cgroup",
        "cgroup2",   "pstore",     "securityfs", "debugfs", "tracefs", "mqueue",
        "hugetlbfs", "configfs",   "fusectl",    "bpf",     "autofs",  "binfmt_misc",
        "efivarfs",  "rpc_pipefs", "nsfs",       "ramfs",   "squashfs"};
    return virtuales.contains(tipo);
}
} // namespace

VolumenesSistema::VolumenesSistema(QObject* parent) : FuenteVolumenes(parent) {
    tabla_ = ::open("/proc/self/mounts", O_RDONLY | O_CLOEXEC);
    if (tabla_ < 0) return; // no mount table to watch: the list stays as read at start
    aviso_ = new QSocketNotifier(tabla_, QSocketNotifier::Exception, this);
    connect(aviso_, &QSocketNotifier::activated, this, &FuenteVolumenes::cambiada);
}

VolumenesSistema::~VolumenesSistema() {
    delete aviso_;
    if (tabla_ >= 0) ::close(tabla_);
}

QList<VolumenPrt> VolumenesSistema::Leer() const {
    QList<VolumenPrt> volumenes;
    QStringList raices;
    for (const QStorageInfo& v : QStorageInfo::mountedVolumes()) {
        if (!v.isValid() || !v.isReady() || EsSistemaVirtual(v.fileSystemType())) continue;
        if (!QFileInfo(v.rootPath()).isDir() || raices.contains(v.rootPath())) continue;
        raices << v.rootPath();
        volumenes << VolumenPrt{v.rootPath(), v.name().isEmpty()
                                                  ? v.rootPath()
                                                  : v.rootPath() + "  [" + v.name() + "]"};
    }
    return volumenes;
}
