#include "db/Integrity.h"

#include "db/Database.h"

#include <QStringList>

namespace db {

void requireIntact(Database& db) {
    QStringList problems;
    try {
        // At most ten problems: enough to name the damage, quick even when much is broken.
        Query check = db.prepare(QStringLiteral("PRAGMA quick_check(10)"));
        check.exec();
        while (check.next()) problems << check.value(0).toString();
    } catch (const Error& e) {
        // Damage can stop the check itself (a broken schema page, say).
        if (e.kind() != ErrorKind::Corrupt && e.kind() != ErrorKind::NotDatabase) throw;
        problems = QStringList{e.message()};
    }
    if (problems == QStringList{QStringLiteral("ok")}) return;
    throw Error(ErrorKind::Corrupt,
                QStringLiteral("Archivio %1 danneggiato: %2\nNessun dato è stato modificato. Ripristinare l'archivio "
                               "da una copia di sicurezza (o ripararlo) prima di una nuova elaborazione.\n%3")
                    .arg(db.label(), db.path(), problems.join(QLatin1Char('\n'))));
}

}  // namespace db
