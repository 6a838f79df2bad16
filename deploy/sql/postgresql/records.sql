-- vexaDB's server database on PostgreSQL: the records table and the
-- function vexaDB calls once per record, "{call vexa_updateTable(?, ...)}",
-- with sixteen text values. Run as the database owner:
--   psql -d vexadb00000 -f records.sql
-- The first value is the SQLTABLE setting (default "vexatab00000"); it is
-- kept in table_name, so several installations can share one table.

CREATE TABLE IF NOT EXISTS vexa_records (
  id           bigserial PRIMARY KEY,
  table_name   text NOT NULL,
  text1        text,
  url          text,
  text3        text,
  log_time     text,
  filter_mark  text,
  text6        text,
  text7        text,
  text8        text,
  number9      text,
  number10     text,
  content_name text,
  text12       text,
  spare        text,
  number14     text,
  category     text,
  stored_at    timestamptz NOT NULL DEFAULT now()
);

CREATE OR REPLACE FUNCTION vexa_updateTable(
    p_table text, p_text1 text, p_url text, p_text3 text, p_log_time text,
    p_filter_mark text, p_text6 text, p_text7 text, p_text8 text,
    p_number9 text, p_number10 text, p_content_name text, p_text12 text,
    p_spare text, p_number14 text, p_category text)
RETURNS void
LANGUAGE plpgsql
AS $$
BEGIN
  INSERT INTO vexa_records (table_name, text1, url, text3, log_time, filter_mark,
                            text6, text7, text8, number9, number10, content_name,
                            text12, spare, number14, category)
  VALUES (p_table, p_text1, p_url, p_text3, p_log_time, p_filter_mark,
          p_text6, p_text7, p_text8, p_number9, p_number10, p_content_name,
          p_text12, p_spare, p_number14, p_category);
END
$$;
