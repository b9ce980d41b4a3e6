#include <QtWebEngineCore/qtwebenginecoreglobal.h>
#include <QtWebEngineCore/qtwebenginecoreversion.h>

#include <cstdio>

int main()
{
    std::printf("Moteur web : Qt WebEngine %s, Chromium %s (correctifs de sécurité %s)\n",
                QTWEBENGINECORE_VERSION_STR, qWebEngineChromiumVersion(),
                qWebEngineChromiumSecurityPatchVersion());
    return 0;
}
