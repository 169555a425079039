#pragma once

#include "Settings.h"

#include <QString>

// A PostgreSQL server on which tests and benchmarks make scratch databases of their
// own. Read from the environment with a prefix: PREFIX_HOST, PREFIX_PORT, PREFIX_USER,
// PREFIX_PASSWORD (defaults localhost, 5432, gravelon, gravelon).
struct TScratchServer {
    QString Host;
    QString Port;
    QString User;
    QString Password;

    static TScratchServer FromEnv(const QString& APrefix);
    // CONNECT settings that reach ADatabase on this server.
    TConnectionSettings Settings(const QString& ADatabase) const;
    // Empties ADatabase, creating it when missing: every object of the program goes with
    // the public schema. False with the reason when the server cannot be reached
    // (AUnreachable set) or refuses.
    bool Reset(const QString& ADatabase, QString* AWhy, bool* AUnreachable = nullptr) const;
    // Drops ADatabase and creates it again, empty, with ACreateOptions appended to
    // CREATE DATABASE (a collation of its own, say). False with the reason as Reset.
    bool Recreate(const QString& ADatabase, const QString& ACreateOptions, QString* AWhy,
                  bool* AUnreachable = nullptr) const;
};
