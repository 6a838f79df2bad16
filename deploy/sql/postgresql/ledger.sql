-- The ledger of committed spool files: vexaDB writes one row in each
-- record's own transaction and skips a spool file it finds here, so a
-- record is stored once even when its spool file could not be deleted.
-- Optional: without the table vexaDB says so once in its log and stores
-- records without it. Rows older than the pruning age are deleted by vexaDB.

CREATE TABLE IF NOT EXISTS vexa_ledger (
  spool_name text   NOT NULL,
  spool_size bigint NOT NULL,
  modified   bigint NOT NULL,  -- last write, seconds since 1970
  line_hash  bigint NOT NULL,  -- 64-bit hash of the record line
  committed  bigint NOT NULL,  -- seconds since 1970
  PRIMARY KEY (spool_name, spool_size, modified, line_hash)
);
CREATE INDEX IF NOT EXISTS vexa_ledger_committed ON vexa_ledger (committed);
