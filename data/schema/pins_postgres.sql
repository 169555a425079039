-- Pallets the operator pinned: a recalculation leaves them as they are. No reference to
-- Palletes: a calculation replaces the pallet rows wholesale, and a pin of a pallet that
-- is gone means nothing.
CREATE TABLE PalletePins (
    ID bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
    PalleteID bigint NOT NULL UNIQUE
);
