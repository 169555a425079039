-- Gravelon schema, PostgreSQL server.
-- Sizes and quantities are bigint so that Width*Height*Quantity never overflows;
-- weights are double precision, as on the embedded database, so both give the
-- same figures. Identity keys are never reused; the archive keeps the working
-- tables' keys.

CREATE TABLE Materials (
    ID bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
    Name text,
    Width double precision,
    Weight1m2 double precision,
    MaxH bigint
);

CREATE TABLE Colors (
    ID bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
    Code text,
    Name text
);

CREATE TABLE Customers (
    ID bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
    Name text,
    NameSravn text
);

CREATE TABLE Applicates (
    ID bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
    Number text,
    Date date,
    CustomerID bigint REFERENCES Customers (ID),
    MatID bigint REFERENCES Materials (ID),
    Comment text,
    MaxW double precision
);

CREATE TABLE ApplicatePositions (
    ID bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
    ApplicateID bigint REFERENCES Applicates (ID),
    Width bigint,
    Height bigint,
    ColorID bigint REFERENCES Colors (ID),
    Quantity bigint,
    Comment text
);

CREATE TABLE Palletes (
    ID bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
    ColorID bigint REFERENCES Colors (ID),
    Length bigint,
    Width bigint,
    MaxH bigint,
    MaxW double precision,
    Number text
);

CREATE TABLE Solutions (
    ID bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
    ApplicateID bigint REFERENCES Applicates (ID),
    PosID bigint REFERENCES ApplicatePositions (ID),
    PalleteID bigint REFERENCES Palletes (ID),
    QuantityInRow bigint,
    Quantity bigint,
    Comment text
);

CREATE TABLE Applicates_archive (
    ID bigint PRIMARY KEY,
    Number text,
    Date date,
    CustomerID bigint REFERENCES Customers (ID),
    MatID bigint REFERENCES Materials (ID),
    Comment text,
    MaxW double precision
);

CREATE TABLE ApplicatePositions_archive (
    ID bigint PRIMARY KEY,
    ApplicateID bigint REFERENCES Applicates_archive (ID),
    Width bigint,
    Height bigint,
    ColorID bigint REFERENCES Colors (ID),
    Quantity bigint,
    Comment text
);

CREATE TABLE Palletes_archive (
    ID bigint PRIMARY KEY,
    ColorID bigint REFERENCES Colors (ID),
    Length bigint,
    Width bigint,
    MaxH bigint,
    MaxW double precision,
    Number text
);

CREATE TABLE Solutions_archive (
    ID bigint PRIMARY KEY,
    ApplicateID bigint REFERENCES Applicates_archive (ID),
    PosID bigint REFERENCES ApplicatePositions_archive (ID),
    PalleteID bigint REFERENCES Palletes_archive (ID),
    QuantityInRow bigint,
    Quantity bigint,
    Comment text
);

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

-- Sheets of a position standing side by side in one row: the same rule as the
-- calculation's, so the grids and the calculation agree.
CREATE FUNCTION QtyInRow(AHeight bigint, AQuantity bigint) RETURNS bigint
LANGUAGE sql IMMUTABLE AS $$
    SELECT CASE
        WHEN AHeight IS NULL THEN NULL
        WHEN AQuantity > 0 AND AQuantity < (CASE WHEN AHeight <= 300 THEN 4
                                                  WHEN AHeight <= 400 THEN 3
                                                  WHEN AHeight <= 750 THEN 2
                                                  ELSE 1 END) THEN AQuantity
        ELSE (CASE WHEN AHeight <= 300 THEN 4
                   WHEN AHeight <= 400 THEN 3
                   WHEN AHeight <= 750 THEN 2
                   ELSE 1 END)
    END
$$;

-- Weight of a pallet, kg, to two decimals.
CREATE FUNCTION pw(APallet bigint) RETURNS double precision
LANGUAGE sql STABLE AS $$
    SELECT cast(round(cast(coalesce(sum(ap.Width * ap.Height * s.Quantity * m.Weight1m2) * 1e-6, 0)
                           as numeric), 2) as double precision)
    FROM Solutions s
    INNER JOIN ApplicatePositions ap ON ap.ID = s.PosID
    INNER JOIN Applicates a ON a.ID = ap.ApplicateID
    INNER JOIN Materials m ON m.ID = a.MatID
    WHERE s.PalleteID = APallet
$$;

CREATE FUNCTION pwa(APallet bigint) RETURNS double precision
LANGUAGE sql STABLE AS $$
    SELECT cast(round(cast(coalesce(sum(ap.Width * ap.Height * s.Quantity * m.Weight1m2) * 1e-6, 0)
                           as numeric), 2) as double precision)
    FROM Solutions_archive s
    INNER JOIN ApplicatePositions_archive ap ON ap.ID = s.PosID
    INNER JOIN Applicates_archive a ON a.ID = ap.ApplicateID
    INNER JOIN Materials m ON m.ID = a.MatID
    WHERE s.PalleteID = APallet
$$;

-- Height of a pallet in sheets: each placement takes its rows rounded up.
CREATE FUNCTION ph(APallet bigint) RETURNS bigint
LANGUAGE sql STABLE AS $$
    SELECT cast(coalesce(sum((s.Quantity + coalesce(nullif(s.QuantityInRow, 0), 1) - 1)
                             / coalesce(nullif(s.QuantityInRow, 0), 1)), 0) as bigint)
    FROM Solutions s
    WHERE s.PalleteID = APallet
$$;

CREATE FUNCTION pha(APallet bigint) RETURNS bigint
LANGUAGE sql STABLE AS $$
    SELECT cast(coalesce(sum((s.Quantity + coalesce(nullif(s.QuantityInRow, 0), 1) - 1)
                             / coalesce(nullif(s.QuantityInRow, 0), 1)), 0) as bigint)
    FROM Solutions_archive s
    WHERE s.PalleteID = APallet
$$;

-- Moves the current order out of the working tables, keys and links unchanged.
-- A function body runs atomically: either everything moves or nothing does.
CREATE FUNCTION archivation() RETURNS void
LANGUAGE plpgsql AS $$
BEGIN
    INSERT INTO Applicates_archive SELECT * FROM Applicates;
    INSERT INTO ApplicatePositions_archive SELECT * FROM ApplicatePositions;
    INSERT INTO Palletes_archive SELECT * FROM Palletes;
    INSERT INTO Solutions_archive SELECT * FROM Solutions;
    DELETE FROM Solutions;
    DELETE FROM Palletes;
    DELETE FROM ApplicatePositions;
    DELETE FROM Applicates;
END
$$;
