-- The booking file: one per institution, shared by every workstation.
-- Day numbers count days since 1900-01-01; booking times are minutes since
-- midnight; the institution's times of day are seconds since midnight;
-- flags are -1 (true) and 0 (false); colours are 0x00BBGGRR.
--
-- This is version 0, the booking file as the first files were written, and
-- the starting point of every file's upgrade. It stays as it is: each change
-- since is a step in data/migrations.cpp, which new files run as well.

CREATE TABLE Booking (
  Bookingnr INTEGER PRIMARY KEY,
  Beskrivelse TEXT,
  Bdato INTEGER,
  Bstart INTEGER,
  Bslut INTEGER,
  Bgruppe INTEGER,
  Lokalenr INTEGER,
  kontonr INTEGER,
  curacname TEXT,
  Bcolor INTEGER,
  Tentative INTEGER DEFAULT 0,
  langbeskrivelse TEXT,
  Bemærkninger TEXT,
  Antalpers INTEGER,
  Pris REAL,
  tax INTEGER DEFAULT 0,
  bvpris INTEGER,
  ID INTEGER,
  Kontaktperson2 TEXT,
  Kontaktpersonadr2 TEXT,
  Kontaktpersonpnr2 TEXT,
  Kontaktpersonby2 TEXT,
  Kontakttlf2 TEXT,
  Kontakttlfb2 TEXT,
  leveringstype TEXT,
  leveringssted TEXT,
  gennr INTEGER DEFAULT 0,
  gentagende INTEGER DEFAULT 0,
  Intern INTEGER DEFAULT 0
);
CREATE INDEX Booking_Bdato_Bgruppe ON Booking (Bdato, Bgruppe);
CREATE INDEX Booking_Lokalenr_Bdato ON Booking (Lokalenr, Bdato);
CREATE INDEX Booking_gennr ON Booking (gennr);
CREATE INDEX Booking_kontonr ON Booking (kontonr);

-- Archive of past bookings (version 2 makes the booking number unique).
CREATE TABLE Bookingarkiv (
  Bookingnr INTEGER,
  Beskrivelse TEXT,
  Bstart INTEGER,
  Bslut INTEGER,
  Bdato INTEGER,
  Bcolor INTEGER,
  Bgruppe INTEGER,
  Lokalenr INTEGER,
  kontonr INTEGER,
  Kontaktperson2 TEXT,
  Kontaktpersonadr2 TEXT,
  Kontaktpersonpnr2 TEXT,
  Kontaktpersonby2 TEXT,
  Kontakttlf2 TEXT,
  Kontakttlfb2 TEXT,
  langbeskrivelse TEXT,
  Antalpers INTEGER,
  Pris REAL,
  ID INTEGER,
  Bemærkninger TEXT,
  gennr INTEGER,
  gentagende INTEGER,
  Intern INTEGER,
  leveringssted TEXT,
  leveringstype TEXT,
  curacname TEXT
);
CREATE INDEX Bookingarkiv_Bdato ON Bookingarkiv (Bdato);
CREATE INDEX Bookingarkiv_kontonr ON Bookingarkiv (kontonr);

CREATE TABLE Konti (
  ID INTEGER PRIMARY KEY,
  Kontotype TEXT,
  Kontonavn TEXT,
  Kontouser TEXT,
  KontoPass TEXT,
  admin INTEGER DEFAULT 0,
  archived INTEGER DEFAULT 0,
  kontokontakt TEXT,
  kontoowner INTEGER,
  Kontoadresse TEXT,
  Kontopnr TEXT,
  Kontoby TEXT,
  Kontotlf TEXT,
  Kontotlfp TEXT,
  Kontomobil TEXT,
  Kontofax TEXT,
  kontomail TEXT,
  Kontostilling TEXT,
  depnr INTEGER
);

CREATE TABLE Grptilk (
  gnr INTEGER,
  pnr INTEGER
);
CREATE INDEX Grptilk_gnr_pnr ON Grptilk (gnr, pnr);
CREATE INDEX Grptilk_pnr ON Grptilk (pnr);

CREATE TABLE Gruppetyper (
  gruppeart INTEGER,
  GTypenavn TEXT
);

CREATE TABLE Overgruppenavne (
  overgruppenr INTEGER PRIMARY KEY,
  OverGruppenavn TEXT,
  Gruppeart INTEGER
);

CREATE TABLE lokaliteter (
  Lokalitetsnr INTEGER PRIMARY KEY,
  Overgruppenr INTEGER,
  Lokalitetsnavn TEXT,
  Lokibeskr TEXT,
  gruppeart INTEGER
);
CREATE INDEX lokaliteter_Overgruppenr ON lokaliteter (Overgruppenr);

CREATE TABLE lokale (
  lokalenr INTEGER PRIMARY KEY,
  lokalinr INTEGER,
  Lokalenavn TEXT,
  Gruppeart INTEGER,
  lokbeskrivelse TEXT,
  maxprs INTEGER,
  Lokfastinv TEXT,
  gebyr REAL,
  Lejetime REAL,
  inaktiv INTEGER DEFAULT 0,
  inakstart INTEGER,
  inakslut INTEGER,
  ID INTEGER,
  Leverandør TEXT,
  levadresse TEXT,
  levzip TEXT,
  levby TEXT,
  levphone TEXT,
  levmail TEXT,
  lokfabrikat TEXT,
  lokmodel TEXT,
  loksernr TEXT,
  lokårgang TEXT,
  Garantislut TEXT,
  nextservice TEXT
);
CREATE INDEX lokale_lokalinr ON lokale (lokalinr);

CREATE TABLE Department (
  depnr INTEGER PRIMARY KEY,
  depname TEXT
);

CREATE TABLE opstilling (
  ID INTEGER PRIMARY KEY,
  Opstilling TEXT,
  depnr INTEGER
);

CREATE TABLE Homebases (
  ID INTEGER PRIMARY KEY,
  Homebase TEXT,
  depnr INTEGER
);

CREATE TABLE institutionsoplysninger (
  Instutionsnavn TEXT,
  Instutionsadresse TEXT,
  Instutionspostnr TEXT,
  Instutionsby TEXT,
  Instutionstlf TEXT,
  Institutionsemail TEXT,
  Instutionsfax TEXT,
  Institutionswww TEXT,
  Senr TEXT,
  banknr TEXT,
  gironr TEXT,
  Logopic BLOB,
  Momspct REAL,
  Åbntid INTEGER,
  Luktid INTEGER,
  Prrimstart INTEGER,
  Primslut INTEGER,
  Skemastart INTEGER,
  Skemaslut INTEGER,
  tax INTEGER,
  taxpct REAL,
  Tentative INTEGER,
  Timeunits INTEGER,
  dateformatnr INTEGER,
  dateformatstr1 TEXT,
  dateformatstr2 TEXT,
  FirstDay TEXT,
  ampm INTEGER,
  military INTEGER,
  arcdel INTEGER,
  deldel INTEGER
);

-- Calendar dates are stored as ISO text (yyyy-mm-dd).
CREATE TABLE arkiveringsdato (
  ID INTEGER PRIMARY KEY,
  arkiveringsdato TEXT
);

CREATE TABLE næstenøgle (
  nextkey INTEGER
);

-- Its presence marks a database as a booking file.
CREATE TABLE RUC (
  marker INTEGER
);

CREATE TABLE Valgformat (
  Formatname TEXT,
  Dateformatno INTEGER
);
CREATE TABLE Valgunits (
  unittext TEXT,
  unitnr INTEGER
);
CREATE TABLE Valgarcdel (
  arcdel INTEGER
);
CREATE TABLE Valgdeldel (
  deldelY REAL,
  deldelDays INTEGER
);

-- Saved queries.

CREATE VIEW activekonti AS
  SELECT ID, Kontouser, KontoPass, Kontotype, Kontonavn, admin
  FROM Konti WHERE archived IS NULL OR archived = 0
  ORDER BY ID;

CREATE VIEW firstgroups AS
  SELECT o.overgruppenr AS Overgruppenr, t.Lokalitetsnr AS Lokalitetsnr
  FROM Overgruppenavne o JOIN lokaliteter t ON t.Overgruppenr = o.overgruppenr
  ORDER BY o.Gruppeart, o.OverGruppenavn, o.overgruppenr, t.Lokalitetsnavn, t.Lokalitetsnr;

CREATE VIEW bookingfor AS
  SELECT b.*, b.Bstart * 60 AS Start, b.Bslut * 60 AS Slut,
         l.Lokalenavn AS Lokalenavn, l.lokalinr AS lokalinr, l.Gruppeart AS Gruppeart,
         k.Kontonavn AS Kontonavn, k.Kontouser AS Kontouser, k.kontokontakt AS kontokontakt,
         k.Kontoadresse AS Kontoadresse, k.Kontopnr AS Kontopnr, k.Kontoby AS Kontoby,
         k.Kontotlf AS Kontotlf, k.Kontotlfp AS Kontotlfp, k.Kontomobil AS Kontomobil,
         k.Kontofax AS Kontofax, k.kontomail AS kontomail, d.depname AS depname
  FROM Booking b
  LEFT JOIN Konti k ON k.ID = b.kontonr
  LEFT JOIN lokale l ON l.lokalenr = b.Lokalenr
  LEFT JOIN Department d ON d.depnr = k.depnr;

CREATE VIEW headerfor AS
  SELECT lokalenr, Lokalenavn, lokalinr, inaktiv, inakstart, inakslut
  FROM lokale ORDER BY lokalinr, Lokalenavn, lokalenr;

CREATE VIEW OvergruppenavneFor AS
  SELECT overgruppenr, OverGruppenavn, Gruppeart
  FROM Overgruppenavne ORDER BY OverGruppenavn, overgruppenr;

CREATE VIEW searchforny AS
  SELECT b.Bookingnr AS Bookingnr, b.Beskrivelse AS Beskrivelse, k.Kontonavn AS Kontonavn,
         b.Bdato AS Bdato, l.Gruppeart AS gruppeart, b.Bstart AS bstart, b.Bslut AS bslut,
         l.Lokalenavn AS Lokalenavn
  FROM Booking b
  LEFT JOIN Konti k ON k.ID = b.kontonr
  LEFT JOIN lokale l ON l.lokalenr = b.Lokalenr
  ORDER BY b.Bdato, b.Bstart, b.Bookingnr;

CREATE VIEW bookingS AS
  SELECT b.Bookingnr AS Bookingnr, b.Bdato AS Bdato, t.Overgruppenr AS Overgruppenr,
         l.lokalinr AS lokalinr, l.lokalenr AS lokalenr, b.kontonr AS Kontonr
  FROM Booking b
  LEFT JOIN lokale l ON l.lokalenr = b.Lokalenr
  LEFT JOIN lokaliteter t ON t.Lokalitetsnr = l.lokalinr;

CREATE VIEW unavailfor AS
  SELECT l.lokalenr AS lokalenr, l.Lokalenavn AS Lokalenavn, t.Lokalitetsnavn AS Lokalitetsnavn,
         o.OverGruppenavn AS OverGruppenavn, l.inakstart AS inakstart, l.inakslut AS inakslut
  FROM lokale l
  LEFT JOIN lokaliteter t ON t.Lokalitetsnr = l.lokalinr
  LEFT JOIN Overgruppenavne o ON o.overgruppenr = t.Overgruppenr
  WHERE l.inaktiv <> 0
  ORDER BY l.inakstart, l.Lokalenavn;

CREATE VIEW mybookingsfor AS
  SELECT b.Bookingnr AS Bookingnr, b.Bdato AS Bdato, b.Bstart AS bstart, b.Bslut AS bslut,
         b.Beskrivelse AS Beskrivelse, l.Lokalenavn AS Lokalenavn, b.kontonr AS Kontonr,
         k.Kontonavn AS Kontonavn, l.Gruppeart AS gruppeart, b.gentagende AS gentagende,
         g.pnr AS pnr, k.kontoowner AS kontoowner
  FROM Booking b
  JOIN Grptilk g ON g.gnr = b.kontonr
  LEFT JOIN Konti k ON k.ID = b.kontonr
  LEFT JOIN lokale l ON l.lokalenr = b.Lokalenr;

CREATE VIEW bookingtent AS
  SELECT b.Bookingnr AS Bookingnr, b.Bdato AS Bdato, b.Bstart * 60 AS Start,
         b.Bslut * 60 AS Slut, l.Lokalenavn AS Lokalenavn, k.Kontonavn AS Kontonavn,
         k.Kontotlf AS Kontotlf
  FROM Booking b
  LEFT JOIN Konti k ON k.ID = b.kontonr
  LEFT JOIN lokale l ON l.lokalenr = b.Lokalenr
  WHERE b.Tentative <> 0
  ORDER BY b.Bdato, b.Bstart, b.Bookingnr;

-- The bare columns come from the series' last booking (SQLite takes them
-- from the row that holds the maximum).
-- The last booking of each series: its latest date, and of several on that
-- date the highest booking number.
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

CREATE VIEW kontifor AS
  SELECT ID, Kontotype, Kontonavn, kontokontakt, Kontotlf, archived
  FROM Konti ORDER BY Kontonavn, ID;

CREATE VIEW KontiG AS
  SELECT ID, Kontonavn, kontoowner, kontokontakt
  FROM Konti WHERE Kontotype = 'g' ORDER BY Kontonavn, ID;

CREATE VIEW KontiP AS
  SELECT ID, Kontonavn
  FROM Konti WHERE Kontotype = 'p' ORDER BY Kontonavn, ID;

CREATE VIEW AdminAccounts AS
  SELECT ID, Kontonavn
  FROM Konti WHERE archived IS NULL OR archived = 0
  ORDER BY Kontonavn, ID;

CREATE VIEW departmentfor AS
  SELECT depnr, depname FROM Department ORDER BY depname, depnr;

CREATE VIEW florplanfor AS
  SELECT ID, Opstilling FROM opstilling ORDER BY Opstilling, ID;

CREATE VIEW homebasefor AS
  SELECT ID, Homebase FROM Homebases ORDER BY Homebase, ID;

CREATE VIEW lokalesort AS
  SELECT lokalenr, Lokalenavn, lokalinr FROM lokale ORDER BY Lokalenavn, lokalenr;

CREATE VIEW kontoudskrift AS
  SELECT ID, Kontotype, archived, Kontonavn, kontokontakt, Kontotlf, kontomail,
         Kontouser, KontoPass, admin
  FROM Konti ORDER BY Kontotype, archived, Kontonavn, ID;

-- Only the few tentative bookings are indexed, for the confirmation list.
CREATE INDEX Booking_Tentative ON Booking (Tentative) WHERE Tentative <> 0;
