-- Version 2: each booking is archived once. Copies archived twice (by two
-- workstations at the same moment, or after the archiving delay changed)
-- are dropped, keeping the latest copy of each booking.

DELETE FROM Bookingarkiv
WHERE Bookingnr IS NOT NULL
  AND rowid NOT IN (SELECT max(rowid) FROM Bookingarkiv
                    WHERE Bookingnr IS NOT NULL GROUP BY Bookingnr);
CREATE UNIQUE INDEX Bookingarkiv_Bookingnr ON Bookingarkiv (Bookingnr);
