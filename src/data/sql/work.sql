-- The workstation's own work database (paths.mdb).

CREATE TABLE stitabel (
  sti TEXT
);

-- The booking held by cut or copy on the schedule; at most one row.
CREATE TABLE standby (
  Bookingnr INTEGER,
  Beskrivelse TEXT,
  Bdato INTEGER,
  Bstart INTEGER,
  Bslut INTEGER,
  Bgruppe INTEGER,
  Bcolor INTEGER,
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
  Tentative INTEGER,
  curacname TEXT,
  btid INTEGER
);

-- Candidate dates of a series being generated.
CREATE TABLE gendatogent (
  ID INTEGER PRIMARY KEY AUTOINCREMENT,
  Dato INTEGER,
  Start TEXT,
  Slut TEXT,
  lokalenr INTEGER,
  DB INTEGER DEFAULT 0
);

CREATE TABLE AndetLokAlt (
  lokalenr INTEGER,
  Lokalenavn TEXT
);

CREATE VIEW andetlokaltfor AS
  SELECT lokalenr, Lokalenavn FROM AndetLokAlt ORDER BY Lokalenavn, lokalenr;

INSERT INTO stitabel (sti) VALUES ('');
