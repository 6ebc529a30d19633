-- Version 1: numbers the program hands out are never handed out again.
-- A deleted item, type, group, account, department, floor plan or homebase
-- leaves its number behind in bookings, the archive, memberships and other
-- records; a new row under that number would take over their history. Each
-- keyed table is rebuilt with AUTOINCREMENT, and its counter is set past the
-- highest number that appears anywhere.

CREATE TABLE Konti_v1 (
  ID INTEGER PRIMARY KEY AUTOINCREMENT,
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
INSERT INTO Konti_v1 SELECT * FROM Konti;
DROP TABLE Konti;
ALTER TABLE Konti_v1 RENAME TO Konti;

CREATE TABLE Overgruppenavne_v1 (
  overgruppenr INTEGER PRIMARY KEY AUTOINCREMENT,
  OverGruppenavn TEXT,
  Gruppeart INTEGER
);
INSERT INTO Overgruppenavne_v1 SELECT * FROM Overgruppenavne;
DROP TABLE Overgruppenavne;
ALTER TABLE Overgruppenavne_v1 RENAME TO Overgruppenavne;

CREATE TABLE lokaliteter_v1 (
  Lokalitetsnr INTEGER PRIMARY KEY AUTOINCREMENT,
  Overgruppenr INTEGER,
  Lokalitetsnavn TEXT,
  Lokibeskr TEXT,
  gruppeart INTEGER
);
INSERT INTO lokaliteter_v1 SELECT * FROM lokaliteter;
DROP TABLE lokaliteter;
ALTER TABLE lokaliteter_v1 RENAME TO lokaliteter;
CREATE INDEX lokaliteter_Overgruppenr ON lokaliteter (Overgruppenr);

CREATE TABLE lokale_v1 (
  lokalenr INTEGER PRIMARY KEY AUTOINCREMENT,
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
INSERT INTO lokale_v1 SELECT * FROM lokale;
DROP TABLE lokale;
ALTER TABLE lokale_v1 RENAME TO lokale;
CREATE INDEX lokale_lokalinr ON lokale (lokalinr);

CREATE TABLE Department_v1 (
  depnr INTEGER PRIMARY KEY AUTOINCREMENT,
  depname TEXT
);
INSERT INTO Department_v1 SELECT * FROM Department;
DROP TABLE Department;
ALTER TABLE Department_v1 RENAME TO Department;

CREATE TABLE opstilling_v1 (
  ID INTEGER PRIMARY KEY AUTOINCREMENT,
  Opstilling TEXT,
  depnr INTEGER
);
INSERT INTO opstilling_v1 SELECT * FROM opstilling;
DROP TABLE opstilling;
ALTER TABLE opstilling_v1 RENAME TO opstilling;

CREATE TABLE Homebases_v1 (
  ID INTEGER PRIMARY KEY AUTOINCREMENT,
  Homebase TEXT,
  depnr INTEGER
);
INSERT INTO Homebases_v1 SELECT * FROM Homebases;
DROP TABLE Homebases;
ALTER TABLE Homebases_v1 RENAME TO Homebases;

-- The counters: past every number found, in the table and wherever it is named.
DELETE FROM sqlite_sequence;
INSERT INTO sqlite_sequence (name, seq) SELECT 'Konti', coalesce(max(n), 0) FROM (
  SELECT max(ID) AS n FROM Konti
  UNION ALL SELECT max(kontoowner) FROM Konti
  UNION ALL SELECT max(gnr) FROM Grptilk
  UNION ALL SELECT max(pnr) FROM Grptilk
  UNION ALL SELECT max(kontonr) FROM Booking
  UNION ALL SELECT max(kontonr) FROM Bookingarkiv);
INSERT INTO sqlite_sequence (name, seq) SELECT 'Overgruppenavne', coalesce(max(n), 0) FROM (
  SELECT max(overgruppenr) AS n FROM Overgruppenavne
  UNION ALL SELECT max(Overgruppenr) FROM lokaliteter);
INSERT INTO sqlite_sequence (name, seq) SELECT 'lokaliteter', coalesce(max(n), 0) FROM (
  SELECT max(Lokalitetsnr) AS n FROM lokaliteter
  UNION ALL SELECT max(lokalinr) FROM lokale
  UNION ALL SELECT max(Bgruppe) FROM Booking
  UNION ALL SELECT max(Bgruppe) FROM Bookingarkiv);
INSERT INTO sqlite_sequence (name, seq) SELECT 'lokale', coalesce(max(n), 0) FROM (
  SELECT max(lokalenr) AS n FROM lokale
  UNION ALL SELECT max(Lokalenr) FROM Booking
  UNION ALL SELECT max(Lokalenr) FROM Bookingarkiv);
INSERT INTO sqlite_sequence (name, seq) SELECT 'Department', coalesce(max(n), 0) FROM (
  SELECT max(depnr) AS n FROM Department
  UNION ALL SELECT max(depnr) FROM Konti
  UNION ALL SELECT max(depnr) FROM opstilling
  UNION ALL SELECT max(depnr) FROM Homebases);
INSERT INTO sqlite_sequence (name, seq) SELECT 'opstilling', coalesce(max(n), 0) FROM (
  SELECT max(ID) AS n FROM opstilling
  UNION ALL SELECT max(ID) FROM Booking
  UNION ALL SELECT max(ID) FROM Bookingarkiv);
INSERT INTO sqlite_sequence (name, seq) SELECT 'Homebases', coalesce(max(n), 0) FROM (
  SELECT max(ID) AS n FROM Homebases
  UNION ALL SELECT max(ID) FROM lokale);

-- Booking numbers come from næstenøgle, which only counts up; it is moved
-- past every booking and series number found, should a file have lost count.
UPDATE næstenøgle SET nextkey = (
  SELECT CASE WHEN næstenøgle.nextkey IS NULL THEN NULL
              WHEN næstenøgle.nextkey > needed.n THEN næstenøgle.nextkey
              ELSE needed.n END
  FROM (SELECT 1 + coalesce(max(n), 0) AS n FROM (
          SELECT max(Bookingnr) AS n FROM Booking
          UNION ALL SELECT max(gennr) FROM Booking
          UNION ALL SELECT max(Bookingnr) FROM Bookingarkiv
          UNION ALL SELECT max(gennr) FROM Bookingarkiv) AS found) AS needed);
