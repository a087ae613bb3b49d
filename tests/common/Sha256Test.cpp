#include "common/Sha256.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

// Digests stored by earlier versions (received documents, backups) must come
// out the same: the standard's own examples, and a file read in chunks.
TEST(Sha256, KnownDigestsAndFiles) {
    const struct {
        QByteArray input;
        const char* hex;
    } cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
    };
    for (const auto& c : cases) EXPECT_EQ(common::Sha256::hexOf(c.input), QByteArray(c.hex)) << c.input.constData();

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("f.txt"));
    const QByteArray bytes = QByteArray(3 << 20, 'x') + "fine";  // more than one chunk
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.close();
    EXPECT_EQ(common::Sha256::hexOfFile(path), common::Sha256::hexOf(bytes));
    EXPECT_TRUE(common::Sha256::hexOfFile(dir.filePath(QStringLiteral("missing"))).isEmpty());
}
