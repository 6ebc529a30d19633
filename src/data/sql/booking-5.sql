-- Version 7: what goes out to other programs. The store's own id keeps a
-- booking's identity in calendars across exports; the folder its calendars
-- are published to; whether CSV files start with a byte-order mark.
ALTER TABLE institutionsoplysninger ADD COLUMN storeid TEXT;
ALTER TABLE institutionsoplysninger ADD COLUMN publishfolder TEXT;
ALTER TABLE institutionsoplysninger ADD COLUMN csvbom INTEGER DEFAULT 0;
