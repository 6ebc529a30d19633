-- Version 11: the institution's time zone (an IANA id such as
-- Europe/Copenhagen), in which calendars are written whatever zone the
-- machine writing them runs in. Empty until a workstation first needs it,
-- which then stores its own zone.
ALTER TABLE institutionsoplysninger ADD COLUMN timezone TEXT;
