-- Pallets put on the truck, one row a pallet. The pallet key is shared by the working
-- and the archive tables (the archive keeps the keys), so a mark follows its pallet
-- into the archive with its order: an order often leaves after the next was imported.
-- UNIQUE: two workstations scanning one pallet at once can never both mark it.
CREATE TABLE PalleteLoads (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    PalleteID INTEGER NOT NULL UNIQUE,
    LoadedAt TEXT NOT NULL CHECK (datetime(LoadedAt) IS NOT NULL AND LoadedAt = datetime(LoadedAt)),
    Workstation TEXT
) STRICT;
