-- How each order's plan came about: the calculation that made it ('normal' or 'dense'; NULL
-- for a plan made before this was kept) and whether sheets were moved by hand since. Kept
-- by the order's key, so it follows the order into the archive.
CREATE TABLE ApplicatePlans (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    ApplicateID INTEGER NOT NULL UNIQUE,
    Method TEXT CHECK (Method IN ('normal', 'dense')),
    Edited INTEGER NOT NULL DEFAULT 0 CHECK (Edited IN (0, 1))
) STRICT;
