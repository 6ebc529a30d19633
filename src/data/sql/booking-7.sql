-- Version 7: the store's own id, for calendar entries that keep their
-- identity across exports, and the folder its calendars are published to.
ALTER TABLE institutionsoplysninger ADD COLUMN storeid TEXT;
ALTER TABLE institutionsoplysninger ADD COLUMN publishfolder TEXT;
