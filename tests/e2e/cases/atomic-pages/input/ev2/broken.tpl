<title>{{track_id}}</title>
{{html:race-table}}
{{no-such-tag}}
