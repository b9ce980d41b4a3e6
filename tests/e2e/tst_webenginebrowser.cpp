#include "support/EngineTest.h"
class TestWebEngineBrowser : public QObject
{
    Q_OBJECT
};
CORVANE_ENGINE_TEST_MAIN(TestWebEngineBrowser)
#include "tst_webenginebrowser.moc"
