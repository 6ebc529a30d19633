-- Starting contents of a new booking file.

INSERT INTO institutionsoplysninger (
  Instutionsnavn, Instutionsadresse, Instutionspostnr, Instutionsby, Instutionstlf,
  Institutionsemail, Instutionsfax, Institutionswww, Senr, banknr, gironr, Momspct,
  Åbntid, Luktid, Prrimstart, Primslut, Skemastart, Skemaslut,
  tax, taxpct, Tentative, Timeunits, dateformatnr, dateformatstr1, dateformatstr2,
  FirstDay, ampm, military, arcdel, deldel)
VALUES (
  'My Institution', '', '', '', '', '', '', '', '', '', '', 25,
  28800, 61200, 32400, 57600, 25200, 68400,
  0, 25, 0, 15, 1, 'dd-mm-yyyy', 'D N-m-y',
  '1', 0, -1, 3, 548);

INSERT INTO arkiveringsdato (ID, arkiveringsdato) VALUES (1, '2000-01-01');
INSERT INTO næstenøgle (nextkey) VALUES (1);
INSERT INTO RUC (marker) VALUES (1);

INSERT INTO Gruppetyper (gruppeart, GTypenavn) VALUES (1, 'Domestic');
INSERT INTO Gruppetyper (gruppeart, GTypenavn) VALUES (2, 'Add-On');
INSERT INTO Gruppetyper (gruppeart, GTypenavn) VALUES (3, 'Stand-Alone');

INSERT INTO Valgformat (Formatname, Dateformatno) VALUES ('Month first (mm-dd-yyyy)', 0);
INSERT INTO Valgformat (Formatname, Dateformatno) VALUES ('Day first (dd-mm-yyyy)', 1);

INSERT INTO Valgunits (unittext, unitnr) VALUES ('5 minutes', 5);
INSERT INTO Valgunits (unittext, unitnr) VALUES ('10 minutes', 10);
INSERT INTO Valgunits (unittext, unitnr) VALUES ('15 minutes', 15);
INSERT INTO Valgunits (unittext, unitnr) VALUES ('30 minutes', 30);
INSERT INTO Valgunits (unittext, unitnr) VALUES ('60 minutes', 60);

INSERT INTO Valgarcdel (arcdel) VALUES (1);
INSERT INTO Valgarcdel (arcdel) VALUES (2);
INSERT INTO Valgarcdel (arcdel) VALUES (3);
INSERT INTO Valgarcdel (arcdel) VALUES (7);
INSERT INTO Valgarcdel (arcdel) VALUES (14);
INSERT INTO Valgarcdel (arcdel) VALUES (30);

INSERT INTO Valgdeldel (deldelY, deldelDays) VALUES (0.5, 183);
INSERT INTO Valgdeldel (deldelY, deldelDays) VALUES (1, 365);
INSERT INTO Valgdeldel (deldelY, deldelDays) VALUES (1.5, 548);
INSERT INTO Valgdeldel (deldelY, deldelDays) VALUES (2, 730);
INSERT INTO Valgdeldel (deldelY, deldelDays) VALUES (3, 1095);
INSERT INTO Valgdeldel (deldelY, deldelDays) VALUES (5, 1826);

-- The first administrator; change the password after the first login. A new
-- store keeps it as its hash (see BuildTemplateFile).
INSERT INTO Konti (ID, Kontotype, Kontonavn, Kontouser, KontoPass, admin, archived, kontokontakt)
VALUES (1, 'p', 'Administrator', 'admin', 'admin', -1, 0, 'Administrator');
INSERT INTO Grptilk (gnr, pnr) VALUES (1, 1);
