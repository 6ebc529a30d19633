-- Version 4: bookings, items and accounts count their changes, so that a
-- workstation storing a row it read earlier can tell that another one
-- changed it meanwhile. The triggers that count are the engine's own.
ALTER TABLE Booking ADD COLUMN rowversion INTEGER NOT NULL DEFAULT 0;
ALTER TABLE lokale ADD COLUMN rowversion INTEGER NOT NULL DEFAULT 0;
ALTER TABLE Konti ADD COLUMN rowversion INTEGER NOT NULL DEFAULT 0;
