-- Gravelon schema, embedded SQLite database.
-- STRICT tables refuse a value that does not fit its column, as a server would.
-- AUTOINCREMENT keeps keys from ever being reused: the archive keeps the working
-- tables' keys, and a reused key would mix two orders.

CREATE TABLE Materials (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    Name TEXT,
    Width REAL,
    Weight1m2 REAL,
    MaxH INTEGER
) STRICT;

CREATE TABLE Colors (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    Code TEXT,
    Name TEXT
) STRICT;

CREATE TABLE Customers (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    Name TEXT,
    NameSravn TEXT
) STRICT;

CREATE TABLE Applicates (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    Number TEXT,
    Date TEXT CHECK (Date IS NULL OR (date(Date) IS NOT NULL AND Date = date(Date))),
    CustomerID INTEGER REFERENCES Customers (ID),
    MatID INTEGER REFERENCES Materials (ID),
    Comment TEXT,
    MaxW REAL
) STRICT;

CREATE TABLE ApplicatePositions (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    ApplicateID INTEGER REFERENCES Applicates (ID),
    Width INTEGER,
    Height INTEGER,
    ColorID INTEGER REFERENCES Colors (ID),
    Quantity INTEGER,
    Comment TEXT
) STRICT;

CREATE TABLE Palletes (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    ColorID INTEGER REFERENCES Colors (ID),
    Length INTEGER,
    Width INTEGER,
    MaxH INTEGER,
    MaxW REAL,
    Number TEXT
) STRICT;

CREATE TABLE Solutions (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    ApplicateID INTEGER REFERENCES Applicates (ID),
    PosID INTEGER REFERENCES ApplicatePositions (ID),
    PalleteID INTEGER REFERENCES Palletes (ID),
    QuantityInRow INTEGER,
    Quantity INTEGER,
    Comment TEXT
) STRICT;

CREATE TABLE Applicates_archive (
    ID INTEGER PRIMARY KEY,
    Number TEXT,
    Date TEXT CHECK (Date IS NULL OR (date(Date) IS NOT NULL AND Date = date(Date))),
    CustomerID INTEGER REFERENCES Customers (ID),
    MatID INTEGER REFERENCES Materials (ID),
    Comment TEXT,
    MaxW REAL
) STRICT;

CREATE TABLE ApplicatePositions_archive (
    ID INTEGER PRIMARY KEY,
    ApplicateID INTEGER REFERENCES Applicates_archive (ID),
    Width INTEGER,
    Height INTEGER,
    ColorID INTEGER REFERENCES Colors (ID),
    Quantity INTEGER,
    Comment TEXT
) STRICT;

CREATE TABLE Palletes_archive (
    ID INTEGER PRIMARY KEY,
    ColorID INTEGER REFERENCES Colors (ID),
    Length INTEGER,
    Width INTEGER,
    MaxH INTEGER,
    MaxW REAL,
    Number TEXT
) STRICT;

CREATE TABLE Solutions_archive (
    ID INTEGER PRIMARY KEY,
    ApplicateID INTEGER REFERENCES Applicates_archive (ID),
    PosID INTEGER REFERENCES ApplicatePositions_archive (ID),
    PalleteID INTEGER REFERENCES Palletes_archive (ID),
    QuantityInRow INTEGER,
    Quantity INTEGER,
    Comment TEXT
) STRICT;

CREATE INDEX IX_Solutions_PalleteID ON Solutions (PalleteID);
CREATE INDEX IX_Solutions_PosID ON Solutions (PosID);
CREATE INDEX IX_Solutions_ApplicateID ON Solutions (ApplicateID);
CREATE INDEX IX_ApplicatePositions_ApplicateID ON ApplicatePositions (ApplicateID);
CREATE INDEX IX_Palletes_ColorID ON Palletes (ColorID);
CREATE INDEX IX_Solutions_archive_PalleteID ON Solutions_archive (PalleteID);
CREATE INDEX IX_Solutions_archive_PosID ON Solutions_archive (PosID);
CREATE INDEX IX_Solutions_archive_ApplicateID ON Solutions_archive (ApplicateID);
CREATE INDEX IX_ApplicatePositions_archive_ApplicateID ON ApplicatePositions_archive (ApplicateID);
CREATE INDEX IX_Palletes_archive_ColorID ON Palletes_archive (ColorID);
CREATE INDEX IX_Applicates_archive_Date ON Applicates_archive (Date);
