-- Version 15: an archive copy carries the change counter of the booking
-- version it was made from, so that a booking moved or changed after it was
-- archived is archived again where it now is. Copies made before keep none.
ALTER TABLE Bookingarkiv ADD COLUMN rowversion INTEGER;
