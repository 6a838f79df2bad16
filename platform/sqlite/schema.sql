CREATE TABLE IF NOT EXISTS vexa_records (
  id INTEGER PRIMARY KEY,
  table_value TEXT, text1 TEXT, url TEXT, text3 TEXT, log_time TEXT, filter_mark TEXT,
  text6 TEXT, text7 TEXT, text8 TEXT, number9 TEXT, number10 TEXT, content_name TEXT,
  text12 TEXT, spare TEXT, number14 TEXT, category TEXT
);
CREATE VIEW IF NOT EXISTS vexa_updateTable AS
  SELECT table_value AS p1, text1 AS p2, url AS p3, text3 AS p4, log_time AS p5, filter_mark AS p6,
         text6 AS p7, text7 AS p8, text8 AS p9, number9 AS p10, number10 AS p11, content_name AS p12,
         text12 AS p13, spare AS p14, number14 AS p15, category AS p16
  FROM vexa_records WHERE 0;
CREATE TRIGGER IF NOT EXISTS vexa_updateTable_call INSTEAD OF INSERT ON vexa_updateTable
BEGIN
  INSERT INTO vexa_records (table_value, text1, url, text3, log_time, filter_mark, text6, text7, text8,
                            number9, number10, content_name, text12, spare, number14, category)
  VALUES (NEW.p1, NEW.p2, NEW.p3, NEW.p4, NEW.p5, NEW.p6, NEW.p7, NEW.p8, NEW.p9, NEW.p10, NEW.p11,
          NEW.p12, NEW.p13, NEW.p14, NEW.p15, NEW.p16);
END;
CREATE TABLE IF NOT EXISTS vexa_spool_ledger (
  name TEXT NOT NULL, size INTEGER NOT NULL, modified INTEGER NOT NULL, line_hash INTEGER NOT NULL,
  stored_at INTEGER NOT NULL,
  PRIMARY KEY (name, size, modified, line_hash)
) WITHOUT ROWID;
CREATE INDEX IF NOT EXISTS vexa_spool_ledger_stored_at ON vexa_spool_ledger (stored_at);
