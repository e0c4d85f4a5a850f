#pragma once

#include <QByteArray>
#include <QObject>

class QSocketNotifier;

// What happens in one folder, told by the kernel (inotify) as it happens: a name created, moved
// in or out, deleted, written, closed after writing or changed in its attributes. Unlike Qt's
// QFileSystemWatcher it tells of a file rewritten in place, closed after writing, which changes
// nothing in the folder's entries. Also watches the folder's parent for the folder's own removal
// or move, which the folder itself does not tell while it is held open.
class AvisosCarpeta : public QObject {
    Q_OBJECT
  public:
    explicit AvisosCarpeta(QObject* parent = nullptr);
    ~AvisosCarpeta() override;

    // Watches the folder open as `fd`, whose path is `ruta` (bytes). The errno when it cannot.
    int vigila(int fd, const QByteArray& ruta);

  signals:
    // Something happened to this name in the folder.
    void cambio(const QByteArray& nombre);
    // Events were lost (the kernel's queue overflowed): the folder must be read whole.
    void desbordado();
    // The folder may be gone or moved away.
    void carpetaMovida();

  private:
    void lee();

    int fd_ = -1;
    int carpeta_ = -1, padre_ = -1; // watch descriptors
    QSocketNotifier* aviso_ = nullptr;
};
