-- How each order's plan came about: the calculation that made it ('normal' or 'dense'; NULL
-- for a plan made before this was kept) and whether sheets were moved by hand since. Kept
-- by the order's key, so it follows the order into the archive.
CREATE TABLE ApplicatePlans (
    ID bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
    ApplicateID bigint NOT NULL UNIQUE,
    Method varchar(10) CHECK (Method IN ('normal', 'dense')),
    Edited integer NOT NULL DEFAULT 0 CHECK (Edited IN (0, 1))
);
