-- Version 3: the series-end list names one booking per series, the latest
-- booking on the series' last date, in a form both engines take. Files made
-- before left the choice between bookings sharing that date to the scan.
DROP VIEW gentagendeudløbfor;
CREATE VIEW gentagendeudløbfor AS
  SELECT b.Bdato AS maxofbdato, b.Bstart AS bstart, b.Bslut AS bslut,
         b.Beskrivelse AS Beskrivelse, l.Lokalenavn AS Lokalenavn, k.Kontonavn AS Kontonavn,
         k.Kontotlf AS Kontotlf, b.gennr AS gennr
  FROM Booking b
  JOIN (SELECT gennr, max(Bdato) AS lastdate FROM Booking
        WHERE gentagende <> 0 GROUP BY gennr) AS last
    ON last.gennr = b.gennr AND last.lastdate = b.Bdato
  LEFT JOIN Konti k ON k.ID = b.kontonr
  LEFT JOIN lokale l ON l.lokalenr = b.Lokalenr
  WHERE b.gentagende <> 0
    AND b.Bookingnr = (SELECT max(x.Bookingnr) FROM Booking x
                       WHERE x.gentagende <> 0 AND x.gennr = b.gennr AND x.Bdato = b.Bdato);
