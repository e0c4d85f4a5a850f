#pragma once

// Qt's and its libraries' own warnings ("QStandardPaths: XDG_RUNTIME_DIR not set", "libpng
// error: ...") are English noise to the user, who gets every failure as a Spanish message of the
// program's own. They are kept out of stderr unless the environment variable VELMOR_DEPURAR is
// set (to anything but 0), for whoever is tracking a fault. Call before the application object.
void SilenciaMensajesQt();
