#include "app/AppInfo.h"

#include "Version.h"

namespace vko {

QString AppVersion() {
    return QStringLiteral("%1.%2.%3")
        .arg(VKO_VERSION_MAJOR)
        .arg(VKO_VERSION_MINOR)
        .arg(VKO_VERSION_PATCH);
}

QString UpdateRequestUrl(const QString& version) {
    return QStringLiteral("https://www.example.org/update.asp?sid=vko1&ver=") + version;
}

}  // namespace vko
