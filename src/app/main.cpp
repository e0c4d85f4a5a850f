#include "mainwindow/frm_velmor.h"
#include "printing/system_printers.h"
#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ImpresorasSistema impresoras;
    frmVelmor ventana(impresoras);
    ventana.show();
    return app.exec();
}
