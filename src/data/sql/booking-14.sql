-- Version 14: whether room panels and lobby boards show the titles and
-- accounts of bookings (-1, the default) or only "Booked" and the times (0).
ALTER TABLE institutionsoplysninger ADD COLUMN paneltitles INTEGER DEFAULT -1;
