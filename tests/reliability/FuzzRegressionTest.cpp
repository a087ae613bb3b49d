// Every input the fuzzer once broke the reader with, and the fuzzer's seeds,
// through the same decoding checks as the fuzz target (built here with the
// ordinary compiler, so the sanitizer build runs them too).
#include <QDir>
#include <QFile>
#include <cstdint>
#include <gtest/gtest.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

TEST(FuzzRegression, CorpusAndSeedsDecodeCleanly) {
    const QString source = qEnvironmentVariable("LIS06C_SOURCE_DIR");
    int files = 0;
    for (const QString& dir : {source + QStringLiteral("/tests/reliability/corpus/files"),
                               source + QStringLiteral("/fuzz/seeds")}) {
        const QDir d(dir);
        for (const QString& name : d.entryList(QDir::Files)) {
            QFile f(d.filePath(name));
            ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << name.toStdString();
            const QByteArray bytes = f.readAll();
            SCOPED_TRACE(name.toStdString());
            EXPECT_EQ(LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.constData()), bytes.size()), 0);
            ++files;
        }
    }
    EXPECT_GT(files, 0);
}
