-- Version 5: the change log. Each change to a booking, an account or a
-- resource writes one row here in the same transaction as the change.
-- Times are ISO text: whenutc for sorting and the delete delay, whenlocal as
-- the workstation showed it.
CREATE TABLE Auditlog (
  ID INTEGER PRIMARY KEY AUTOINCREMENT,
  whenutc TEXT NOT NULL,
  whenlocal TEXT NOT NULL,
  workstation TEXT,
  account TEXT,
  action TEXT NOT NULL,
  itemkey TEXT,
  summary TEXT
);
CREATE INDEX Auditlog_whenutc ON Auditlog (whenutc);
