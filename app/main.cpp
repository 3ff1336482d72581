#include <QApplication>

#include "app/AppSetup.h"
#include "app/SelfTest.h"
#include "app/modGeneral.h"

int main(int argc, char* argv[]) {
    prepareWebEngineEnvironment();
    QApplication app(argc, argv);
    setUpApplication(app);
    if (selfTestRequested())
        startSelfTest();
    modGeneral::Main();
    return app.exec();
}
