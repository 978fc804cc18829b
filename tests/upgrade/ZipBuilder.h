#pragma once
// Writes ZIP archives for the tests with libzip, entry names stored exactly as given.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QtEndian>
#include <gtest/gtest.h>
#include <list>
#include <zip.h>

class ZipBuilder {
public:
    ZipBuilder& file(const QString& name, const QByteArray& content, bool stored = false) {
        entries_.push_back({name, content, Kind::File, stored});
        return *this;
    }
    ZipBuilder& folder(const QString& name) {
        entries_.push_back({name, {}, Kind::Folder, false});
        return *this;
    }
    // A Unix symbolic link pointing at `target`.
    ZipBuilder& link(const QString& name, const QByteArray& target) {
        entries_.push_back({name, target, Kind::Link, false});
        return *this;
    }
    // The five images a package needs, at the top level.
    ZipBuilder& completePackage() {
        return file("boot_app0.bin", "boot")
            .file("bootloader_dio_80m.bin", "loader")
            .file("focuser.partitions.bin", "parts")
            .file("Focuser_web_2.1.bin", "web")
            .file("Focuser_v2.1.bin", "app");
    }

    void write(const QString& path) {
        int error = 0;
        zip_t* za =
            zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
        ASSERT_NE(za, nullptr) << error;
        for (const Entry& e : entries_) {
            const QByteArray name = e.name.toUtf8();
            if (e.kind == Kind::Folder) {
                ASSERT_GE(zip_dir_add(za, name.constData(), ZIP_FL_ENC_UTF_8), 0);
                continue;
            }
            zip_source_t* src = zip_source_buffer(za, e.content.constData(), e.content.size(), 0);
            const zip_int64_t index = zip_file_add(za, name.constData(), src, ZIP_FL_ENC_UTF_8);
            ASSERT_GE(index, 0) << zip_strerror(za);
            if (e.stored)
                zip_set_file_compression(za, index, ZIP_CM_STORE, 0);
            if (e.kind == Kind::Link)
                zip_file_set_external_attributes(za, index, 0, ZIP_OPSYS_UNIX, 0120777u << 16);
        }
        ASSERT_EQ(zip_close(za), 0) << zip_strerror(za);
    }

private:
    enum class Kind { File, Folder, Link };
    struct Entry {
        QString name;
        QByteArray content; // kept alive until the archive is closed
        Kind kind;
        bool stored;
    };
    std::list<Entry> entries_;
};

// Makes the archive at `path` declare `size` bytes for its entry `name`, in its local header
// and in the central directory, whatever the entry holds: a forged archive.
inline void setDeclaredSize(const QString& path, const QByteArray& name, quint32 size) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    QByteArray bytes = file.readAll();
    // Signature, offset of the name's length, of the name, of the size.
    for (const auto& [signature, lengthAt, nameAt, sizeAt] :
         {std::tuple{"PK\x03\x04", 26, 30, 22}, std::tuple{"PK\x01\x02", 28, 46, 24}}) {
        qsizetype at = bytes.indexOf(signature);
        while (at >= 0 && bytes.mid(at + nameAt, qFromLittleEndian<quint16>(bytes.constData() + at +
                                                                            lengthAt)) != name)
            at = bytes.indexOf(signature, at + 4);
        ASSERT_GE(at, 0) << name.constData();
        qToLittleEndian<quint32>(size, bytes.data() + at + sizeAt);
    }
    file.seek(0);
    file.write(bytes);
}
