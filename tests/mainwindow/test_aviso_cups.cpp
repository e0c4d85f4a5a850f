// The print-and-delete tooltip names the system's default printer (private CUPS scheduler).
#include "mainwindow/frm_velmor.h"
#include "printing/system_printers.h"
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

class TestAvisoCups : public QObject {
    Q_OBJECT
  private slots:
    void aviso_impresora_sistema() {
        QTemporaryDir raiz;
        ImpresorasSistema impresoras;
        EntornoVelmor e;
        e.carpetaPrograma = raiz.path();
        e.raizVolumen = raiz.path();
        e.avisar = [](const QString& t, const QString& x) { QFAIL(qPrintable(t + ": " + x)); };
        frmVelmor v(impresoras, e);
        QCOMPARE(v.findChild<QPushButton*>("cmdPrtKill")->toolTip(),
                 QString("Imprimir por Oficina y borrar archivo"));
    }
};

QTEST_MAIN(TestAvisoCups)
#include "test_aviso_cups.moc"
