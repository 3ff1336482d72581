#include <QApplication>

#include "app/AppSetup.h"
#include "app/SelfTest.h"
#include "app/modGeneral.h"

int main(int argc, char* argv[]) {
    PrepareWebEngineEnvironment();
    QApplication app(argc, argv);
    SetUpApplication(app);
    if (SelfTestRequested())
        StartSelfTest();
    modGeneral::Main();
    return app.exec();
}
